#pragma once

// Space handling shared by the cookie and header routines. A space is the ASCII space or the
// GBK full-width space (A1 A1).

#include <vector>

#include "text/text_types.h"

namespace quillet {

/// `text` without its leading and trailing spaces.
Text TrimSpaces(std::string_view text);

/// `text` with every space removed.
Text RemoveSpaces(std::string_view text);

/// The items of `text` split at `separator`: each separator ends one item (empty items
/// included); what follows the last separator is an item only when non-empty. An empty text
/// gives no items.
std::vector<Text> SplitText(std::string_view text, std::string_view separator);

}  // namespace quillet
