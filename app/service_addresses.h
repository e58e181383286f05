#pragma once

// Where the music service's three endpoints live, and the addresses the commands ask them.

#include "text/text_types.h"

namespace quillet {

/// Host (or host:port) of each endpoint; the scheme is always "http://".
struct ServiceHosts {
    Text search = "player.kuwo.cn";
    Text info = "player.kuwo.cn";
    Text convert = "antiserver.kuwo.cn";
    /// host:port every request goes through; empty: each request reaches out its own way.
    Text proxy{};
};

/// Search address for a keyword: its UTF-8 form with every byte percent-escaped.
Text SearchAddress(const ServiceHosts& hosts, std::string_view keyword);

/// Song-info address for a rid, which goes in exactly as the list holds it.
Text SongInfoAddress(const ServiceHosts& hosts, std::string_view rid);

/// Address-conversion address (high quality) for a rid.
Text ConvertAddress(const ServiceHosts& hosts, std::string_view rid);

/// True for a usable host override: a host name or address, optionally ":" and a port of
/// 1 to 65535, with nothing that could change the meaning of the address built from it.
bool IsValidHost(std::string_view host);

}  // namespace quillet
