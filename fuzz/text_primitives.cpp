// The text primitives and extraction over arbitrary bytes.

#include <algorithm>

#include "fuzz/fuzz_input.h"
#include "text/text_extraction.h"
#include "text/text_primitives.h"

using namespace quillet;
using quillet::fuzz::Check;

namespace {

bool IsSubstring(std::string_view part, std::string_view whole) {
    return whole.find(part) != std::string_view::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input input(data, size);
    const int start = input.Small();
    const int length = input.Small();
    const bool ignoreCase = input.Flag();
    const std::string find = input.Text();
    const std::string other = input.Text();
    const std::string text = input.Rest();
    const std::string_view seen = text;  // the primitives work on counted texts

    const TextPos at = FindText(text, find, start, ignoreCase);
    Check(at == -1 || (at >= 1 && at >= start &&
                       static_cast<std::size_t>(at) - 1 + find.size() <= seen.size()),
          "FindText position inside the text");
    if (at != -1 && !ignoreCase) {
        Check(seen.substr(static_cast<std::size_t>(at) - 1, find.size()) == find,
              "FindText points at the find text");
    }
    const TextPos last = FindTextReverse(text, find, std::nullopt, ignoreCase);
    Check(last == -1 || static_cast<std::size_t>(last) - 1 + find.size() <= seen.size(),
          "FindTextReverse inside the text");
    if (start <= 1 && !find.empty()) {
        Check((at == -1) == (last == -1), "both directions agree on any occurrence");
    }

    const Text mid = MidText(text, start, length);
    Check(mid.size() <= static_cast<std::size_t>(std::max(length, 0)), "MidText never longer");
    Check(IsSubstring(mid, seen), "MidText is a piece of the text");

    Check(ReplaceText(text, find, other, start, 0, ignoreCase) == seen,
          "ReplaceText with count 0 returns its input");
    Check(ReplaceText(text, "", other, start, std::nullopt, ignoreCase) == seen,
          "ReplaceText of an empty find text returns its input");
    // The last argument says case-sensitive. A caseless match takes the replacement's letter
    // case, so replacing a text by itself keeps the input only up to ASCII case there.
    const bool caseSensitive = !ignoreCase;
    const Text replaced = ReplaceText(text, find, other, start, length, caseSensitive);
    if (!find.empty() && find == other) {
        Check(caseSensitive ? replaced == seen : AsciiLower(replaced) == AsciiLower(seen),
              "replacing by itself");
    }

    const Text between = TextBetween(text, find, other, start, ignoreCase);
    Check(IsSubstring(between, seen), "TextBetween returns a substring");
    Check(ReplaceBatch(text, std::nullopt, start, ignoreCase, "", other) == seen,
          "ReplaceBatch without find texts");
    const Text batch = ReplaceBatch(text, std::nullopt, 0, false, "?", " ", "/", " ");
    Check(batch.size() == seen.size(), "one byte for one byte");
    return 0;
}
