#include "app/service_addresses.h"

#include <charconv>

#include "text/url_encode.h"

namespace quillet {

Text SearchAddress(const ServiceHosts& hosts, std::string_view keyword) {
    return "http://" + hosts.search + "/webmusic/getsjplayinfo?flag=6&pn=1&pr=500&type=music&key=" +
           UrlEncode(keyword, false, true);
}

Text SongInfoAddress(const ServiceHosts& hosts, std::string_view rid) {
    return "http://" + hosts.info + "/webmusic/st/getNewMuiseByRid?rid=" + Text(rid);
}

Text ConvertAddress(const ServiceHosts& hosts, std::string_view rid) {
    return "http://" + hosts.convert + "/anti.s?type=convert_url&response=url&rid=" + Text(rid) +
           "&format=mp3";
}

bool IsValidHost(std::string_view host) {
    const std::size_t colon = host.rfind(':');
    const std::string_view name = host.substr(0, colon);
    if (name.empty()) return false;
    for (const char c : name) {
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                        (c >= '0' && c <= '9') || c == '-' || c == '.';
        if (!ok) return false;
    }
    if (colon == std::string_view::npos) return true;
    const std::string_view port = host.substr(colon + 1);
    unsigned value = 0;
    const auto [end, error] = std::from_chars(port.data(), port.data() + port.size(), value);
    return error == std::errc() && end == port.data() + port.size() && value >= 1 && value <= 65535;
}

}  // namespace quillet
