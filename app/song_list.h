#pragma once

// The song list's columns, its status texts and the check the menu commands make first.

#include <string_view>

#include "runtime/report_list.h"

namespace quillet {

namespace column {
inline constexpr int Number = 0;
inline constexpr int SongName = 1;
inline constexpr int Artist = 2;
inline constexpr int Album = 3;
inline constexpr int Rid = 4;
inline constexpr int Status = 5;
inline constexpr int ArtistPicture = 6;
inline constexpr int Size = 7;
inline constexpr int Count = 8;
}  // namespace column

inline constexpr std::string_view StatusListed = "   点击召唤地址";
inline constexpr std::string_view NeedAddressMessage = "请先获取歌曲地址";

/// True when `text` occurs in `cell`, a match beginning only on a character's first byte:
/// where the comparison fails at a byte of 0x80 or above, the scan steps over that byte and
/// the next.
bool CellContains(std::string_view cell, std::string_view text);

}  // namespace quillet
