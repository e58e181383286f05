#pragma once

// Folding the cookies a reply set into the caller's cookie jar. A cookie text holds items
// name=value separated by ";"; spaces carry no meaning; a jar is written with "; " between
// its items; an item ending in "=deleted" is a deleted cookie.

#include <optional>
#include <vector>

#include "text/text_types.h"

namespace quillet {

/// Merges `received` into `held`: received cookies first (in reply order), then the held
/// cookies whose names were not received, deleted cookies dropped, exact repeats removed.
/// `held` receives the new jar and `received` loses its spaces; returns a copy of the jar.
Text MergeCookies(Text& held, Text& received);

/// The values of the Set-Cookie lines of a CR LF separated header block (each up to its first
/// ";", spaces trimmed), joined by "; "; nullopt when no line names Set-Cookie.
std::optional<Text> SetCookieValues(std::string_view headers);

/// The part of `item` before its first "=" (all of it without one), spaces trimmed.
Text CookieName(std::string_view item);

/// `text` split at `separator` with exact repeats dropped, joined again by `separator`.
Text JoinDistinct(std::string_view text, std::string_view separator);

}  // namespace quillet
