#pragma once

#include "text/text_types.h"

namespace quillet {

/// Every byte of the text as "%" and two upper-case hexadecimal digits; with keepUnreserved,
/// ASCII letters, digits, "-" and "." stay as they are. With asUtf8 the text's UTF-8 form is
/// encoded instead of its GBK bytes. A space is "%20", never "+".
Text UrlEncode(std::string_view text, bool keepUnreserved = false, bool asUtf8 = false);

}  // namespace quillet
