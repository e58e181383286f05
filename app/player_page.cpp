#include "app/player_page.h"

#include "text/text_primitives.h"

namespace quillet {

Text PlayerPage(std::string_view address) {
    return "<embed src=\"" + ReplaceText(address, "\"", "&quot;", 1, std::nullopt, true) +
           "\" width=\"340\" height=\"86\"  allowNetworking=\"all\"></embed>";
}

}  // namespace quillet
