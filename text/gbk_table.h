#pragma once

#include <string>
#include <string_view>

namespace quillet {

/// Decodes GBK text by table. The table is read once from ICU's windows-936 converter, so the
/// result equals ICU's for every text this accepts. Returns false, leaving `out` unspecified,
/// when the text holds anything the table cannot decide alone (a lead byte without a valid
/// trail byte, an unmapped pair); the caller then decodes the whole text through ICU.
bool DecodeGbkByTable(std::string_view bytes, std::u16string& out);

/// Encodes UTF-16 units into GBK by table, with the same rule: the table holds exactly the
/// characters ICU encodes alone, and false means ICU must encode the whole text.
bool EncodeGbkByTable(std::u16string_view units, std::string& out);

}  // namespace quillet
