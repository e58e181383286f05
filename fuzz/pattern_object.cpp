// The pattern object: the search pattern over fuzzed replies, and fuzzed patterns.

#include "text/pattern_object.h"
#include "fuzz/fuzz_input.h"
#include "text/code_pages.h"

using namespace quillet;
using quillet::fuzz::Check;

namespace {

constexpr const char* SearchPattern =
    "rid':'(.*?)','songName':'(.*?)','album':'(.*?)','(.*?)artist':'(.*?)'";

// What the object sees of a subject: its GBK decoded and encoded again.
Text AsSeen(std::string_view subject) {
    return EncodeUnits(CodePageGbk, 0, DecodeBytes(CodePageGbk, UpToNul(subject)));
}

void CheckMatches(const PatternObject& pattern, std::string_view subject) {
    const Text seen = AsSeen(subject);
    const int groups = pattern.SubMatchCount();
    Check(groups >= 0, "group count");
    for (int i = 1; i <= pattern.MatchCount(); ++i) {
        TextPos position = -2;
        const Text match = pattern.MatchText(i, &position);
        Check(position >= 0 && static_cast<std::size_t>(position) + match.size() <= seen.size(),
              "a match lies inside the subject");
        Check(seen.compare(static_cast<std::size_t>(position), match.size(), match) == 0,
              "a match is the subject's text at its position");
        for (int k = 1; k <= groups; ++k) {
            const Text group = pattern.SubMatchText(i, k, &position);
            Check(position == -1
                      ? group.empty()
                      : seen.compare(static_cast<std::size_t>(position), group.size(), group) == 0,
                  "a group is the subject's text at its position");
        }
    }
    Check(pattern.MatchText(pattern.MatchCount() + 1).empty(), "no match past the last");
    Check(pattern.ReplaceMatches("$&") == seen || pattern.MatchCount() == 0,
          "replacing every match by itself changes nothing");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input input(data, size);
    const std::uint8_t mode = input.Byte();
    PatternObject pattern;
    if ((mode & 1) == 0) {
        const std::string subject = input.Rest();
        const bool worked = pattern.Create(SearchPattern, subject, false, false, true, true);
        Check(worked, "the search pattern works on any reply");
        CheckMatches(pattern, subject);
        return 0;
    }
    const std::string text = input.Text();
    const std::string subject = input.Rest();
    if (pattern.Create(text, subject, (mode & 2) != 0, (mode & 4) != 0, (mode & 8) != 0,
                       (mode & 16) != 0)) {
        CheckMatches(pattern, subject);
        pattern.ReplaceMatches(subject);
    } else {
        Check(pattern.MatchCount() == 0, "a failed pattern holds no match");
    }
    return 0;
}
