#pragma once

#include "text/text_types.h"

namespace quillet {

/// File name of the player page in the program's folder.
inline constexpr std::string_view PlayerPageName = "M4A.Htm";

/// The player page for an address: an embedded player and nothing else, no line end. A double
/// quote in the address is written as "&quot;" so that it cannot end the attribute.
Text PlayerPage(std::string_view address);

}  // namespace quillet
