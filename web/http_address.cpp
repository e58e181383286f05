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

bool SplitHeaderLines(std::string_view block, std::vector<std::string>& lines) {
    bool allHeaders = true;
    std::size_t pos = 0;
    while (pos < block.size()) {
        const std::size_t end = block.find("\r\n", pos);
        const std::string_view line = block.substr(pos, end - pos);
        pos = end == std::string_view::npos ? block.size() : end + 2;
        if (line.empty()) continue;
        const std::size_t colon = line.find(':');
        if (colon == 0 || colon == std::string_view::npos ||
            line.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos) {
            allHeaders = false;
            continue;
        }
        lines.emplace_back(line);
    }
    return allHeaders;
}

bool CopyWithNul(std::string_view value, char* buffer, std::size_t& length) {
    if (buffer == nullptr || length < value.size() + 1) {
        length = value.size() + 1;
        return false;
    }
    value.copy(buffer, value.size());
    buffer[value.size()] = '\0';
    length = value.size();
    return true;
}

}  // namespace quillet
