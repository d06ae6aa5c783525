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

bool PredicateRegex::matches(const QString &text) const
{
    std::lock_guard lock(m_mutex);
    if (m_timedOut)
        return false;
    UErrorCode status = U_ZERO_ERROR;
    if (!m_matcher) {
        m_matcher.reset(m_pattern->matcher(status));
        if (U_FAILURE(status) || !m_matcher) {
            m_matcher.reset();
            return false;
        }
        m_matcher->setTimeLimit(regexTimeLimit, status);
    }
    const icu::UnicodeString input(
        false, reinterpret_cast<const UChar *>(text.utf16()), int32_t(text.size()));
    m_matcher->reset(input);
    const bool matched = m_matcher->matches(status);
    m_matcher->reset(icu::UnicodeString());
    if (status == U_REGEX_TIME_OUT)
        m_timedOut = true;
    return U_SUCCESS(status) && matched;
}

bool PredicateRegex::timedOut() const
{
    std::lock_guard lock(m_mutex);
    return m_timedOut;
}

} // namespace vidarium
