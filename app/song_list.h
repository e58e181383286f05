#pragma once

// The check the song list's menu commands make first.

#include <string_view>

#include "runtime/runtime.h"

namespace quillet {

/// True when `text` occurs in the cell of `row` (a match begins only on a character's first
/// byte); otherwise shows "请先获取歌曲地址" and yields false.
bool RequireCellContains(Runtime& runtime, const ReportList::RowRef& row, int column,
                         std::string_view text);
/// The same for the selected row.
bool RequireCellContains(Runtime& runtime, int column, std::string_view text);

}  // namespace quillet
