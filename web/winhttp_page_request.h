#pragma once

// One complete HTTP or HTTPS request over the WinHTTP-shaped layer, returning the reply body
// as text. Never throws; a failed stage puts its numbered error text into `statusText`.

#include "text/text_types.h"
#include "web/winhttp_layer.h"

namespace quillet {

/// Everything after the address; each field left at its default is "not given". Outputs are
/// delivered only through a non-null pointer.
struct WinHttpRequestArgs {
    int method = 0;   ///< 0 GET, 1 POST, 2 HEAD, 3 PUT; any other value GET
    Text postData{};  ///< request body, sent whatever the method; empty: none
    /// in/out: sent as the Cookie line and replaced by the merged cookie set afterwards.
    /// Null means not supplied, which differs from pointing at an empty text.
    Text* cookies = nullptr;
    Text* receivedCookies = nullptr;  ///< out, appended to: cookies the reply set
    Text extraHeaders{};              ///< caller's header lines, separated by CR LF
    Text* responseHeaders = nullptr;  ///< out: the final reply's raw header block
    bool noRedirect = false;
    Text userName{};
    Text password{};
    Text proxy{};  ///< host:port; empty: no proxy
    Text proxyUser{};
    Text proxyPassword{};
    /// Every phase, each read a limit of its own; the request as a whole ends after four
    /// times this. 0 or less means 30 seconds.
    int timeoutSeconds = 0;
    Text* location = nullptr;    ///< out: the reply's Location, untouched without one
    Text* statusText = nullptr;  ///< out: status code and reason, or the error text
    Bytes* bodyBytes = nullptr;  ///< out: the body exactly as received
};

/// The numbered error texts.
namespace winhttp_error {
inline constexpr std::string_view NoPlatform = "700 当前系统不支持WinHttp服务!";
inline constexpr std::string_view BadUrl = "701 解析URL地址失败!";
inline constexpr std::string_view NoSession = "702 创建WinHttp会话失败!";
inline constexpr std::string_view NoConnection = "703 创建WinHttp连接失败!";
inline constexpr std::string_view NoRequest = "704 创建WinHttp请求失败!";
inline constexpr std::string_view Timeouts = "705 设置超时时间失败!";
inline constexpr std::string_view ServerCredentials = "706 设置服务器凭证失败!";
inline constexpr std::string_view ProxyCredentials = "707 设置代理凭证失败!";
inline constexpr std::string_view CookieOption = "708 禁止自动设置Cookies失败!";
inline constexpr std::string_view RedirectOption = "709 重定向设置失败!";
inline constexpr std::string_view Headers = "710 设置协议头失败!";
inline constexpr std::string_view Send = "711 发送请求失败!";
inline constexpr std::string_view NoResponse = "712 服务器未响应!";
inline constexpr std::string_view Read = "713 读取数据失败!";
}  // namespace winhttp_error

/// A body longer than 64 MB, or a reply still coming after four times the time-out, fails as
/// a read failure does (the read error in `statusText`, no text).
///
/// The body as text up to its first zero byte, re-decoded when the page names a character
/// set other than gbk or gb2312 in a meta tag within its first 1024 bytes; the empty text
/// when a stage before the reply headers failed.
Text WinHttpPageRequest(std::string_view url, const WinHttpRequestArgs& args = {});

/// The same over a given layer (tests hand in one that records or fails).
Text WinHttpPageRequest(WinHttpLayer& layer, std::string_view url,
                        const WinHttpRequestArgs& args = {});

}  // namespace quillet
