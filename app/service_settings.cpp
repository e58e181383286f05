#include "app/service_settings.h"

#include "runtime/ini_file.h"

namespace quillet {
namespace {

void Override(Text& host, std::string_view settingsPath, std::string_view key) {
    const Text value = ReadIniValue(settingsPath, "service", key, "");
    if (IsValidHost(value)) host = value;
}

}  // namespace

ServiceHosts ReadServiceHosts(std::string_view settingsPath) {
    ServiceHosts hosts;
    Override(hosts.search, settingsPath, "search");
    Override(hosts.info, settingsPath, "info");
    Override(hosts.convert, settingsPath, "convert");
    const Text proxy = ReadIniValue(settingsPath, "network", "proxy", "");
    if (IsValidHost(proxy)) hosts.proxy = proxy;
    return hosts;
}

ServiceHosts SingleHost(std::string_view host) {
    return ServiceHosts{Text(host), Text(host), Text(host)};
}

}  // namespace quillet
