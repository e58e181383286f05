#include "app/player_page.h"

namespace quillet {
namespace {

// The address comes from a reply and need not be GBK, so every byte is looked at on its own:
// stepping over "double-byte characters" would let a quote behind a high byte through.
Text EscapeQuotes(std::string_view address) {
    Text out;
    out.reserve(address.size());
    for (const char c : address) {
        if (c == '"') {
            out += "&quot;";
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace

Text PlayerPage(std::string_view address) {
    return "<embed src=\"" + EscapeQuotes(UpToNul(address)) +
           "\" width=\"340\" height=\"86\"  allowNetworking=\"all\"></embed>";
}

}  // namespace quillet
