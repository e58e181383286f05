#pragma once

// Taking an address apart on its text alone (no network): host, port, and path with query.
// Never fails: a text that is not an address still yields some host, a port and a path.

#include <optional>

#include "text/text_types.h"

namespace quillet {

/// The host in small letters. With `mainDomainOnly` only its last two labels; with
/// `keepPort` the ":port" stays. Supplying `levels` (even 0) keeps the last levels + 2
/// labels (levels + 1 with mainDomainOnly) of a host that has enough of them.
Text UrlHost(std::string_view url, bool mainDomainOnly = false, bool keepPort = false,
             std::optional<int> levels = std::nullopt);

/// The port written after the host, else 443 for an https address and 80 otherwise.
int UrlPort(std::string_view url);

/// The path with query and fragment as written, from the first "/" after the host; "/"
/// when there is none.
Text UrlPath(std::string_view url);

}  // namespace quillet
