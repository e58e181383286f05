#include "app/song_list.h"

#include "app/texts.h"
#include "text/text_primitives.h"

namespace quillet {

bool RequireCellContains(Runtime& runtime, const ReportList::RowRef& row, int column,
                         std::string_view text) {
    if (FindText(runtime.SongList().Cell(row, column), text) > 0) return true;
    runtime.ShowMessage(NeedAddressMessage, MessageInformation);
    return false;
}

bool RequireCellContains(Runtime& runtime, int column, std::string_view text) {
    return RequireCellContains(runtime, runtime.SongList().SelectedRowRef(), column, text);
}

}  // namespace quillet
