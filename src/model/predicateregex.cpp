#include "predicateregex.h"

#include <unicode/regex.h>
#include <unicode/unistr.h>

namespace vidarium {

namespace {

// ICU counts the limit roughly in milliseconds.
constexpr int32_t regexTimeLimit = 100;

} // namespace

PredicateRegex::PredicateRegex() = default;
PredicateRegex::~PredicateRegex() = default;

Result<std::shared_ptr<PredicateRegex>> PredicateRegex::compile(
    const QString &pattern, bool caseInsensitive)
{
    UErrorCode status = U_ZERO_ERROR;
    UParseError parseError {};
    const icu::UnicodeString source(
        reinterpret_cast<const UChar *>(pattern.utf16()), int32_t(pattern.size()));
    uint32_t flags = UREGEX_DOTALL;
    if (caseInsensitive)
        flags |= UREGEX_CASE_INSENSITIVE;
    std::unique_ptr<icu::RegexPattern> compiled(
        icu::RegexPattern::compile(source, flags, parseError, status));
    if (U_FAILURE(status) || !compiled) {
        return Error(Error::Code::InvalidArgument,
            QStringLiteral("The regular expression \"%1\" is not valid (%2 at offset %3).")
                .arg(pattern, QString::fromLatin1(u_errorName(status)))
                .arg(parseError.offset));
    }
    auto regex = std::make_shared<PredicateRegex>();
    regex->m_pattern = std::move(compiled);
    return regex;
}

std::unique_ptr<icu::RegexMatcher> PredicateRegex::borrowMatcher() const
{
    {
        std::lock_guard lock(m_mutex);
        if (!m_idle.empty()) {
            std::unique_ptr<icu::RegexMatcher> matcher = std::move(m_idle.back());
            m_idle.pop_back();
            return matcher;
        }
    }
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::RegexMatcher> matcher(m_pattern->matcher(status));
    if (U_FAILURE(status) || !matcher)
        return nullptr;
    matcher->setTimeLimit(regexTimeLimit, status);
    return matcher;
}

void PredicateRegex::giveBack(std::unique_ptr<icu::RegexMatcher> matcher) const
{
    std::lock_guard lock(m_mutex);
    m_idle.push_back(std::move(matcher));
}

bool PredicateRegex::matches(const QString &text) const
{
    if (m_timedOut)
        return false;
    std::unique_ptr<icu::RegexMatcher> matcher = borrowMatcher();
    if (!matcher)
        return false;
    UErrorCode status = U_ZERO_ERROR;
    const icu::UnicodeString input(
        false, reinterpret_cast<const UChar *>(text.utf16()), int32_t(text.size()));
    matcher->reset(input);
    const bool matched = matcher->matches(status);
    matcher->reset(icu::UnicodeString());
    giveBack(std::move(matcher));
    if (status == U_REGEX_TIME_OUT)
        m_timedOut = true;
    return U_SUCCESS(status) && matched;
}

bool PredicateRegex::timedOut() const
{
    return m_timedOut;
}

} // namespace vidarium
