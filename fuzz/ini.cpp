// The INI reader and writer: any file content, and names and values as the program writes them.

#include "fuzz/fuzz_input.h"
#include "runtime/ini_file.h"

using namespace quillet;
using quillet::fuzz::Check;

namespace {

// A name or value of the kind the program writes: printable ASCII with no characters of the
// file's own syntax, no blanks at either end.
bool Plain(std::string_view s, bool isValue) {
    if (s.empty() && !isValue) return false;
    for (const char c : s) {
        if (c < 0x21 || c > 0x7E || c == '=' || c == '[' || c == ']' || c == '"' || c == ';') {
            return false;
        }
    }
    return true;
}

bool IsOther(std::string_view section) {
    std::string lower(section);
    for (char& c : lower) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
    return lower == "other";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input input(data, size);
    const std::string section = input.Text();
    const std::string key = input.Text();
    const std::string value = input.Text();
    const std::string content = input.Rest();

    IniLookup(content, section, key, "D");
    const Bytes updated = IniUpdate(content, section, key, value);
    if (Plain(section, false) && Plain(key, false) && Plain(value, true)) {
        Check(IniLookup(updated, section, key, "D") == value, "a written key reads back");
        // The update changes one key and nothing else: writing the old value again, or the new
        // one a second time, gives the same file.
        Check(IniUpdate(updated, section, key, value) == updated, "writing twice changes nothing");
        Check(IniLookup(updated, "other", "k", "D") == IniLookup(content, "other", "k", "D") ||
                  IsOther(section),
              "other sections keep their keys");
    }
    return 0;
}
