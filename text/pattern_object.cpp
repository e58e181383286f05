#include "text/pattern_object.h"

#define PCRE2_CODE_UNIT_WIDTH 16
#include <pcre2.h>

#include <algorithm>
#include <string>
#include <vector>

#include "text/code_page_layer.h"
#include "text/com_apartment.h"
#include "text/text_extraction.h"

namespace quillet {
namespace {

// The engine's limit counts the work of one start position. A start that runs out of it is
// skipped, so a hostile region of a reply cannot hide the matches around it. The work such
// starts may waste is bounded per search: they get StartLimit each out of FailureBudget; once
// that is spent, every start gets FloorLimit (still far more than a record of a reply needs)
// and a start that runs out of it skips the rest of its line. A dot never matches a line
// break, so a pattern of literals and dotted groups that cannot match from a start cannot
// match from a later start of the same line either.
constexpr uint32_t StartLimit = 1'000'000;
constexpr uint64_t FailureBudget = 8'000'000;
constexpr uint32_t FloorLimit = 20'000;
constexpr PCRE2_SIZE JitStackStart = 32 * 1024;
constexpr PCRE2_SIZE JitStackMax = 4 * 1024 * 1024;

PCRE2_SPTR16 AsPcre(const char16_t* units) {
    return reinterpret_cast<PCRE2_SPTR16>(units);
}

Text ToGbk(std::u16string_view units) {
    return EncodeUnits(CodePageGbk, 0, units);
}

struct CodeDeleter {
    void operator()(pcre2_code* code) const { pcre2_code_free(code); }
};
struct MatchDataDeleter {
    void operator()(pcre2_match_data* data) const { pcre2_match_data_free(data); }
};
struct MatchContextDeleter {
    void operator()(pcre2_match_context* context) const { pcre2_match_context_free(context); }
};
struct JitStackDeleter {
    void operator()(pcre2_jit_stack* stack) const { pcre2_jit_stack_free(stack); }
};

}  // namespace

struct PatternObject::Engine {
    Text pattern;  // GBK, as compiled
    std::unique_ptr<pcre2_code, CodeDeleter> code;
    bool global = true;
    int groupCount = 0;
};

struct PatternObject::Matches {
    std::u16string subject;
    int groupCount = 0;
    // For each match, (groupCount + 1) pairs of UTF-16 offsets; PCRE2_UNSET for absent groups.
    std::vector<PCRE2_SIZE> offsets;

    int Count() const { return static_cast<int>(offsets.size() / Stride()); }
    std::size_t Stride() const { return 2 * (static_cast<std::size_t>(groupCount) + 1); }
    const PCRE2_SIZE* Match(int index) const { return offsets.data() + index * Stride(); }
};

namespace {

// One match context with its JIT stack per thread: mapping a fresh stack for every search
// costs more than a small reply's whole match.
pcre2_match_context* ThreadMatchContext() {
    struct Holder {
        std::unique_ptr<pcre2_match_context, MatchContextDeleter> context{
            pcre2_match_context_create(nullptr)};
        std::unique_ptr<pcre2_jit_stack, JitStackDeleter> stack{
            pcre2_jit_stack_create(JitStackStart, JitStackMax, nullptr)};
        Holder() {
            if (context && stack) pcre2_jit_stack_assign(context.get(), nullptr, stack.get());
        }
    };
    thread_local Holder holder;
    return holder.context.get();
}

// Collects the matches of `code` in `subject` (all of them when global); false when the
// engine fails for another reason than its effort limit.
bool Execute(const pcre2_code* code, bool global, int groupCount, std::u16string_view subject,
             std::vector<PCRE2_SIZE>& offsets) {
    std::unique_ptr<pcre2_match_data, MatchDataDeleter> data(
        pcre2_match_data_create_from_pattern(code, nullptr));
    pcre2_match_context* context = ThreadMatchContext();
    if (!data || !context) return false;

    uint32_t newline = 0;
    pcre2_pattern_info(code, PCRE2_INFO_NEWLINE, &newline);
    const bool crlfIsNewline = newline == PCRE2_NEWLINE_ANY || newline == PCRE2_NEWLINE_CRLF ||
                               newline == PCRE2_NEWLINE_ANYCRLF;
    const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(data.get());
    const std::size_t pairs = static_cast<std::size_t>(groupCount) + 1;
    const PCRE2_SIZE length = subject.size();

    // One character further on (a CR LF pair and a surrogate pair count as one).
    const auto step = [&](PCRE2_SIZE at) {
        const bool crlf =
            crlfIsNewline && subject[at] == u'\r' && at + 1 < length && subject[at + 1] == u'\n';
        const bool pair = at + 1 < length && (subject[at] & 0xFC00) == 0xD800 &&
                          (subject[at + 1] & 0xFC00) == 0xDC00;
        return at + ((crlf || pair) ? 2 : 1);
    };

    uint64_t budget = FailureBudget;
    const auto limit = [&] {
        return budget > FloorLimit ? static_cast<uint32_t>(std::min<uint64_t>(StartLimit, budget))
                                   : FloorLimit;
    };
    // Past the next line break, or `length` when there is none.
    const auto nextLine = [&](PCRE2_SIZE at) {
        const std::size_t lineEnd = subject.find_first_of(u"\r\n", at);
        return lineEnd == std::u16string_view::npos ? length : step(lineEnd);
    };

    // The subject comes from our own decoder and is valid UTF-16 by construction, so PCRE2
    // need not check it (a check on every call would make the loop quadratic).
    PCRE2_SIZE start = 0;
    bool anchored = false;  // trying one start at a time, past a start that ran out of effort
    while (start <= length) {
        pcre2_set_match_limit(context, limit());
        const uint32_t options = PCRE2_NO_UTF_CHECK | (anchored ? PCRE2_ANCHORED : 0);
        const int rc =
            pcre2_match(code, AsPcre(subject.data()), length, start, options, data.get(), context);
        if (rc == PCRE2_ERROR_MATCHLIMIT || rc == PCRE2_ERROR_JIT_STACKLIMIT) {
            const bool spent = budget <= FloorLimit;
            budget -= std::min<uint64_t>(budget, limit());
            if (!anchored) {
                // Some start from here on ran out: find it by trying the starts one by one.
                anchored = true;
                continue;
            }
            if (start >= length) return true;
            start = spent ? nextLine(start) : step(start);
            continue;
        }
        if (rc == PCRE2_ERROR_NOMATCH) {
            if (!anchored || start >= length) return true;
            start = step(start);
            continue;
        }
        // A \K inside a look-ahead can end a match before its start; such a match has no text.
        if (rc < 0 || ovector[0] > ovector[1]) return false;
        offsets.insert(offsets.end(), ovector, ovector + 2 * pairs);
        if (!global) return true;
        anchored = false;

        start = ovector[1];
        if (ovector[0] == ovector[1]) {
            // An empty match: step one character so the next match begins further on, as
            // every global search engine does.
            if (start >= length) return true;
            start = step(start);
        }
    }
    return true;
}

// Expands $&, $`, $', $$ and $n / $nn of a replacement for one match.
void AppendReplacement(std::u16string& out, std::u16string_view replacement,
                       std::u16string_view subject, const PCRE2_SIZE* match, int groupCount) {
    for (std::size_t i = 0; i < replacement.size(); ++i) {
        const char16_t c = replacement[i];
        if (c != u'$' || i + 1 >= replacement.size()) {
            out.push_back(c);
            continue;
        }
        const char16_t next = replacement[i + 1];
        if (next == u'$') {
            out.push_back(u'$');
            ++i;
        } else if (next == u'&') {
            out.append(subject.substr(match[0], match[1] - match[0]));
            ++i;
        } else if (next == u'`') {
            out.append(subject.substr(0, match[0]));
            ++i;
        } else if (next == u'\'') {
            out.append(subject.substr(match[1]));
            ++i;
        } else if (next >= u'0' && next <= u'9') {
            int group = next - u'0';
            std::size_t used = 1;
            if (i + 2 < replacement.size() && replacement[i + 2] >= u'0' &&
                replacement[i + 2] <= u'9' &&
                group * 10 + (replacement[i + 2] - u'0') <= groupCount) {
                group = group * 10 + (replacement[i + 2] - u'0');
                used = 2;
            }
            if (group < 1 || group > groupCount) {
                out.push_back(c);  // not a group: the dollar stands for itself
                continue;
            }
            const PCRE2_SIZE from = match[2 * group], to = match[2 * group + 1];
            if (from != PCRE2_UNSET) out.append(subject.substr(from, to - from));
            i += used;
        } else {
            out.push_back(c);
        }
    }
}

}  // namespace

PatternObject::PatternObject() {
    ComInitialize();
}

PatternObject::PatternObject(const PatternObject& other)
    : engine_(other.engine_), matches_(other.matches_) {
    ComInitialize();
}

PatternObject& PatternObject::operator=(const PatternObject& other) = default;

PatternObject::~PatternObject() {
    ComUninitialize();
}

bool PatternObject::Create(std::string_view pattern, std::string_view subject, bool caseSensitive,
                           bool multiline, bool global, bool quoteMarker) {
    engine_.reset();
    matches_.reset();

    auto engine = std::make_shared<Engine>();
    engine->pattern = quoteMarker ? ResolveQuoteMarkers(UpToNul(pattern)) : Text(UpToNul(pattern));
    engine->global = global;
    const std::u16string units = DecodeBytes(CodePageGbk, engine->pattern);

    // JavaScript-like escapes and back references; CR and LF both end a line, so the dot
    // never matches a line break.
    uint32_t options =
        PCRE2_UTF | PCRE2_ALT_BSUX | PCRE2_MATCH_UNSET_BACKREF | PCRE2_DOLLAR_ENDONLY;
    if (!caseSensitive) options |= PCRE2_CASELESS;
    if (multiline) options |= PCRE2_MULTILINE;
    pcre2_compile_context* compileContext = pcre2_compile_context_create(nullptr);
    if (compileContext) pcre2_set_newline(compileContext, PCRE2_NEWLINE_ANYCRLF);
    int error = 0;
    PCRE2_SIZE errorOffset = 0;
    engine->code.reset(pcre2_compile(AsPcre(units.data()), units.size(), options, &error,
                                     &errorOffset, compileContext));
    pcre2_compile_context_free(compileContext);
    if (engine->code) {
        pcre2_jit_compile(engine->code.get(), PCRE2_JIT_COMPLETE);  // interpreted when it fails
        uint32_t captures = 0;
        pcre2_pattern_info(engine->code.get(), PCRE2_INFO_CAPTURECOUNT, &captures);
        engine->groupCount = static_cast<int>(captures);
    }
    engine_ = engine;

    if (!engine->code) return false;
    auto matches = std::make_shared<Matches>();
    matches->subject = DecodeBytes(CodePageGbk, UpToNul(subject));
    matches->groupCount = engine->groupCount;
    if (!Execute(engine->code.get(), global, engine->groupCount, matches->subject,
                 matches->offsets)) {
        return false;
    }
    matches_ = std::move(matches);
    return true;
}

Text PatternObject::GetPattern() const {
    return engine_ ? engine_->pattern : Text();
}

Text PatternObject::ReplaceMatches(std::string_view replacement) const {
    if (!engine_ || !matches_) return {};
    const std::u16string with = DecodeBytes(CodePageGbk, UpToNul(replacement));
    const std::u16string& subject = matches_->subject;
    std::u16string out;
    out.reserve(subject.size());
    PCRE2_SIZE copied = 0;
    for (int i = 0; i < matches_->Count(); ++i) {
        const PCRE2_SIZE* match = matches_->Match(i);
        out.append(subject, copied, match[0] - copied);
        AppendReplacement(out, with, subject, match, matches_->groupCount);
        copied = match[1];
    }
    out.append(subject, copied);
    return ToGbk(out);
}

int PatternObject::MatchCount() const {
    return matches_ ? matches_->Count() : 0;
}

Text PatternObject::Capture(int n, int k, TextPos* position) const {
    if (position) *position = -1;
    if (!matches_ || n < 1 || n > matches_->Count() || k < 0 || k > matches_->groupCount) {
        return {};
    }
    const PCRE2_SIZE* match = matches_->Match(n - 1);
    const PCRE2_SIZE from = match[2 * k], to = match[2 * k + 1];
    if (from == PCRE2_UNSET) return {};
    const std::u16string_view subject = matches_->subject;
    if (position) *position = static_cast<TextPos>(ToGbk(subject.substr(0, from)).size());
    return ToGbk(subject.substr(from, to - from));
}

Text PatternObject::MatchText(int n, TextPos* position) const {
    return Capture(n, 0, position);
}

Text PatternObject::SubMatchText(int n, int k, TextPos* position) const {
    if (k < 1) {
        if (position) *position = -1;
        return {};
    }
    return Capture(n, k, position);
}

int PatternObject::SubMatchCount() const {
    return matches_ && matches_->Count() > 0 ? matches_->groupCount : 0;
}

}  // namespace quillet
