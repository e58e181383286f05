#include "app/song_list.h"

namespace quillet {

bool CellContains(std::string_view cell, std::string_view text) {
    std::size_t i = 0;
    while (i + text.size() <= cell.size()) {
        if (cell.compare(i, text.size(), text) == 0) return true;
        i += static_cast<unsigned char>(cell[i]) >= 0x80 ? 2 : 1;
    }
    return false;
}

}  // namespace quillet
