#pragma once

// The six crossings between the program's GBK texts, UTF-8 and UTF-16 byte strings.

#include "text/code_page_layer.h"
#include "text/text_types.h"

namespace quillet {

/// UTF-16 units of `text` decoded from `codePage`, terminator included. The buffer is sized by
/// the text's length in the system code page, so its length is 2 * that count whatever the
/// decode wrote; units the decode did not fill stay zero.
Utf16Bytes MultiByteToUtf16(std::string_view text, int codePage = CodePageUtf8);

/// The units up to the first zero unit, encoded into `codePage` whole (never cut); a
/// character the code page lacks, default-ignorable ones included, becomes "?".
Text Utf16ToMultiByte(const Utf16Bytes& utf16Bytes, int codePage = CodePageAcp);

Utf8Bytes GbkToUtf8(std::string_view gbkText);
Text Utf8ToGbk(const Utf8Bytes& utf8Text);

/// "A" gives 41 00 00 00 (41 00 with dropTerminator); the empty text gives no bytes at all.
Utf16Bytes GbkToUtf16Bytes(std::string_view gbkText, bool dropTerminator = false);

/// GBK of the units before the first zero unit (an odd last byte is ignored), with base
/// characters and their non-spacing marks composed first.
Text Utf16BytesToGbk(const Utf16Bytes& utf16Bytes);

/// Builds the GBK tables now; otherwise the first conversion builds them. Safe from any
/// thread, so that a program can have them built while it does something else.
void PrepareCodePages();

/// Little-endian byte form of UTF-16 units and back (an odd last byte is ignored).
Utf16Bytes UnitsToBytes(std::u16string_view units);
std::u16string BytesToUnits(const Utf16Bytes& utf16Bytes);

}  // namespace quillet
