#pragma once

#include <memory>

#include "text/text_types.h"

namespace quillet {

/// A regular expression run over a GBK text, with the matches kept for later questions.
/// The subject is matched as UTF-16; match positions ("first index") count UTF-16 units.
/// The dialect: lazy quantifiers, groups numbered from 1 by their opening parenthesis,
/// "\w" over ASCII only, a dot that never matches a line break, and bounded match effort
/// (a start that would make the pattern backtrack for minutes is skipped, and the effort
/// spent on such starts is bounded per search).
///
/// Copies share the compiled pattern and the matches. Each object counts one initialisation
/// of its thread's apartment for its life (see com_apartment.h).
class PatternObject {
  public:
    PatternObject();
    PatternObject(const PatternObject& other);
    PatternObject& operator=(const PatternObject& other);
    ~PatternObject();

    /// Compiles the pattern (with every "#引号" made a double quote when quoteMarker is set)
    /// and collects the matches in the subject: every match when global, else the first.
    /// True when a match collection was obtained, also when it holds no match; false for a
    /// pattern the engine rejects.
    bool Create(std::string_view pattern, std::string_view subject, bool caseSensitive = false,
                bool multiline = true, bool global = true, bool quoteMarker = false);

    /// The pattern as compiled (markers already replaced); empty before Create.
    Text GetPattern() const;

    /// The subject with the collected matches replaced. The replacement may use $& (the match),
    /// $` and $' (the text before and after it), $1 to $99 (groups) and $$ (a dollar).
    Text ReplaceMatches(std::string_view replacement = {}) const;

    int MatchCount() const;

    /// Text of match n (1-based); empty for a number out of range. `position` receives the
    /// match's 0-based byte offset in the subject, or -1.
    Text MatchText(int n, TextPos* position = nullptr) const;

    /// Text of group k (1-based) of match n; empty when either is out of range or the group
    /// took no part in the match. `position` as for MatchText.
    Text SubMatchText(int n, int k, TextPos* position = nullptr) const;

    /// Number of capture groups, read from the first match (0 without one).
    int SubMatchCount() const;

  private:
    struct Engine;
    struct Matches;

    Text Capture(int n, int k, TextPos* position) const;

    std::shared_ptr<const Engine> engine_;
    std::shared_ptr<const Matches> matches_;
};

}  // namespace quillet
