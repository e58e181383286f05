#pragma once

// The plain HTTP download: one GET over HTTP/1.0 with a fixed user agent and Accept line,
// TLS for https, redirects followed. Either into memory (bounded) or streamed into a file,
// where an interrupted transfer is resumed from the bytes already written.

#include <cstdint>
#include <functional>
#include <stop_token>
#include <string>
#include <string_view>

#include "text/text_types.h"

namespace quillet {

inline constexpr std::string_view DownloadUserAgent =
    "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";

/// The most a download into memory holds; a longer body fails the transfer.
inline constexpr std::size_t MemoryDownloadCap = std::size_t{64} << 20;

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
/// a scheme other than http and https, a transfer cut off, or a body beyond
/// MemoryDownloadCap yields no bytes. `proxy` ("host:port") carries the request when given;
/// otherwise the system's proxy settings (the *_proxy environment variables) apply.
DownloadResult HttpDownload(std::string_view address, const DownloadTimeouts& timeouts = {},
                            std::string_view proxy = {});

/// The body alone.
Bytes HttpDownloadBytes(std::string_view address, std::string_view proxy = {});

struct FileDownloadOptions {
    DownloadTimeouts timeouts{};
    std::string proxy{};  ///< "host:port"; empty: the system's proxy settings
    /// Called as bytes arrive: the bytes in the file so far and the announced total, or -1
    /// when the reply announced none.
    std::function<void(std::int64_t bytes, std::int64_t total)> progress{};
    /// A stop request ends the transfer within about 100 ms.
    std::stop_token stop{};
    int maxResumes = 3;  ///< ranged requests after interruptions
};

struct FileDownloadResult {
    long status = 0;         ///< the final reply's status code, 0 when no reply came
    bool complete = false;   ///< the whole body is in the file
    bool stopped = false;    ///< ended by a stop request
    std::int64_t bytes = 0;  ///< bytes in the file
};

/// Streams the body of `address` into the file at `path` (GBK, created or emptied). An
/// interrupted transfer (connection dropped, stalled past the time-out) is resumed with a
/// Range request when the server answers 206 with the matching Content-Range, otherwise it
/// starts over once. Only a 2xx body is written. The caller removes the file when the
/// result is not a complete, non-empty 2xx body.
FileDownloadResult HttpDownloadToFile(std::string_view address, std::string_view path,
                                      const FileDownloadOptions& options = {});

}  // namespace quillet
