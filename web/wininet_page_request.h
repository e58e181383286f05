#pragma once

// The second page fetcher, over the WinInet-shaped layer: default request headers, cookies
// out of the raw reply headers, no status or error report.

#include "text/text_types.h"
#include "web/wininet_layer.h"

namespace quillet {

/// Everything after the address; each field left at its default is "not given". In/out and
/// out values go through a non-null pointer.
struct WinInetRequestArgs {
    int method = 0;   ///< 0 GET, 1 POST, 2 HEAD; any other value GET
    Text postData{};  ///< body text, used when `postBytes` is empty and the method is not GET
    /// in/out: sent as the Cookie line and replaced by the merged cookie set afterwards.
    /// Null means not supplied, which differs from pointing at an empty text.
    Text* cookies = nullptr;
    Text* receivedCookies = nullptr;  ///< out: cookies the reply set (merged set with cookies)
    Text* extraHeaders = nullptr;     ///< in/out: caller's lines; on return the block sent
    Text* responseHeaders = nullptr;  ///< out: raw reply headers, or 5000 spaces
    bool noRedirect = false;
    Bytes* postBytes = nullptr;  ///< in/out: body bytes; filled from postData when empty
    Text proxy{};                ///< host:port; empty: direct
};

/// The reply body as received; empty bytes when a handle fails to open, a read fails or the
/// body is longer than 64 MB.
Bytes WinInetPageRequest(std::string_view url, const WinInetRequestArgs& args = {});
Bytes WinInetPageRequest(WinInetLayer& layer, std::string_view url,
                         const WinInetRequestArgs& args = {});

/// The body of a plain GET of `url`, up to its first zero byte; through `proxy` (host:port)
/// when given, directly otherwise.
Text FetchPageText(std::string_view url, std::string_view proxy = {});
Text FetchPageText(WinInetLayer& layer, std::string_view url, std::string_view proxy = {});

/// The part of `text` after its first ":", spaces trimmed; empty without a ":".
Text HeaderValue(std::string_view text);

}  // namespace quillet
