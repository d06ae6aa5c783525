#pragma once

// A regular expression of the criteria (MATCHES, LIKE), compiled once with ICU and
// matched against whole strings. Each match has a time limit, so that a
// pathological pattern read from a package cannot hang the program; once one has
// run out of time the expression matches nothing more.
// Threads: matches() may run on several threads at once; each match borrows a
// matcher of its own (a matcher holds the state of one match).

#include "platform/result.h"

#include <QString>

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

#include <unicode/uversion.h>

U_NAMESPACE_BEGIN
class RegexPattern;
class RegexMatcher;
U_NAMESPACE_END

namespace vidarium {

class PredicateRegex
{
public:
    PredicateRegex();
    ~PredicateRegex();

    static Result<std::shared_ptr<PredicateRegex>> compile(
        const QString &pattern, bool caseInsensitive);

    // Whole-string match; a match that runs out of time counts as none, and so does
    // every later one: a pattern that explodes once would do so again on the next
    // of a hundred thousand elements.
    bool matches(const QString &text) const;
    bool timedOut() const;

private:
    std::unique_ptr<icu::RegexPattern> m_pattern;
    std::unique_ptr<icu::RegexMatcher> borrowMatcher() const;
    void giveBack(std::unique_ptr<icu::RegexMatcher> matcher) const;

    mutable std::mutex m_mutex;
    // Matchers not in use, as many as threads have matched at once.
    mutable std::vector<std::unique_ptr<icu::RegexMatcher>> m_idle; // guarded by m_mutex
    mutable std::atomic_bool m_timedOut { false };
};

} // namespace vidarium
