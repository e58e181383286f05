#pragma once

#include <optional>

#include "text/text_types.h"

namespace quillet {

/// `bytes` decoded from the character set named `charset` (any name or alias ICU knows,
/// letter case ignored) and encoded as a GBK text, up to the first zero character.
/// Nothing for a name ICU does not know.
std::optional<Text> DecodeCharsetToGbk(std::string_view bytes, std::string_view charset);

}  // namespace quillet
