#pragma once

// Conversions between byte code pages and UTF-16 with the sizing rules the program relies on:
// a call without room (capacity 0) tells the size it needs; a call with too little room
// writes the longest prefix that fits and fails with 0. Undecodable input becomes U+FFFD,
// a character the target code page lacks becomes its default character ("?").

#include <cstddef>
#include <string>
#include <string_view>

namespace quillet {

inline constexpr int CodePageAcp = 0;  ///< the system code page, which is GBK here
inline constexpr int CodePageGbk = 936;
inline constexpr int CodePageUtf8 = 65001;

/// Flag for WideToMultiByte: compose a base character and the non-spacing marks that follow
/// it into the precomposed character before encoding (nothing else is normalised).
inline constexpr unsigned ComposeCheck = 0x200;

/// True for the code pages this layer knows (ACP, 936, 65001).
bool IsKnownCodePage(int codePage);

/// Decodes every byte of `bytes` (a terminating zero byte too, when the caller includes it).
/// Returns the units written, the units needed when capacity is 0, or 0 on failure.
std::size_t MultiByteToWide(int codePage, std::string_view bytes, char16_t* dst,
                            std::size_t capacity);

/// Encodes every unit of `units`. Returns the bytes written, the bytes needed when capacity
/// is 0, or 0 on failure.
std::size_t WideToMultiByte(int codePage, unsigned flags, std::u16string_view units, char* dst,
                            std::size_t capacity);

/// Whole-value forms of the two calls above (never fail for a known code page).
std::u16string DecodeBytes(int codePage, std::string_view bytes);
std::string EncodeUnits(int codePage, unsigned flags, std::u16string_view units);

/// The longest encoding of whole characters of `units` that fits `capacity` bytes.
std::string EncodeUnitsWithin(int codePage, unsigned flags, std::u16string_view units,
                              std::size_t capacity);

/// Decodes UTF-8; `wellFormed` tells whether any replacement character had to be made.
std::u16string DecodeUtf8(std::string_view bytes, bool& wellFormed);

}  // namespace quillet
