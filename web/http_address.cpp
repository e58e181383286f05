#include "web/http_address.h"

namespace quillet {

std::string TransferUrl(bool secure, std::string_view host, int port, std::string_view objectName) {
    static constexpr char Hex[] = "0123456789ABCDEF";
    std::string url = secure ? "https://" : "http://";
    // A literal IPv6 address needs its brackets back once the port follows.
    if (host.find(':') != std::string_view::npos && host.front() != '[') {
        url += '[';
        url += host;
        url += ']';
    } else {
        url += host;
    }
    url += ':';
    url += std::to_string(port);
    if (objectName.empty() || objectName.front() != '/') url += '/';
    for (const char c : objectName) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte >= 0x7F || c == '"' || c == '<' || c == '>') {
            url += '%';
            url += Hex[byte >> 4];
            url += Hex[byte & 0x0F];
        } else {
            url += c;
        }
    }
    return url;
}

std::string ProxyForScheme(std::string_view proxyList, std::string_view scheme) {
    std::string bare;
    std::size_t pos = 0;
    while (pos < proxyList.size()) {
        const std::size_t end = proxyList.find_first_of("; \t", pos);
        std::string_view entry = proxyList.substr(pos, end - pos);
        pos = end == std::string_view::npos ? proxyList.size() : end + 1;
        if (entry.empty()) continue;
        const std::size_t equals = entry.find('=');
        std::string_view address = entry;
        if (equals != std::string_view::npos) {
            if (entry.substr(0, equals) != scheme) continue;
            address = entry.substr(equals + 1);
        }
        if (address.substr(0, 7) == "http://") address.remove_prefix(7);
        if (equals != std::string_view::npos) return std::string(address);
        if (bare.empty()) bare = address;
    }
    return bare;
}

}  // namespace quillet
