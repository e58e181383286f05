#pragma once

// The plain HTTP download: one GET over HTTP/1.0 with a fixed user agent and Accept line,
// TLS for https, redirects followed, the whole body whatever the status.

#include <string_view>

#include "text/text_types.h"

namespace quillet {

inline constexpr std::string_view DownloadUserAgent =
    "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";

struct DownloadTimeouts {
    long connectSeconds = 15;  ///< to reach the host and finish the TLS handshake
    long stallSeconds = 30;    ///< with no byte arriving, the transfer is given up
};

struct DownloadResult {
    Bytes body;             ///< the whole body; empty when the transfer did not complete
    long status = 0;        ///< the final reply's status code, 0 when no reply came
    bool complete = false;  ///< the body arrived whole
};

/// Blocks the caller until the body is in or a time-out ends the transfer. An empty address,
/// a scheme other than http and https, or a transfer cut off yields no bytes.
DownloadResult HttpDownload(std::string_view address, const DownloadTimeouts& timeouts = {});

/// The body alone.
Bytes HttpDownloadBytes(std::string_view address);

}  // namespace quillet
