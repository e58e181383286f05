#pragma once

#include "app/service_addresses.h"

namespace quillet {

/// The service hosts: the defaults, each replaced by the key of the same name (search, info,
/// convert) in the settings file's [service] section when it holds a usable host; the
/// [network] section's `proxy` (host:port), when usable, as the proxy.
ServiceHosts ReadServiceHosts(std::string_view settingsPath);

/// The same host for all three endpoints.
ServiceHosts SingleHost(std::string_view host);

}  // namespace quillet
