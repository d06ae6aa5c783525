#include "detailselection.h"

#include "model/comparisons.h"
#include "model/elementkeys.h"
#include "model/medialibrary.h"
#include "model/mediauserkeyword.h"

#include <QObject>
#include <QSet>

#include <algorithm>

namespace vidarium {

namespace {

template <typename Read> DetailSelection::Value common(const MediaElementList &elements, Read read)
{
    const auto first = read(*elements.first());
    for (qsizetype i = 1; i < elements.size(); ++i) {
        if (!(read(*elements.at(i)) == first))
            return { DetailSelection::State::MultipleValues, {} };
    }
    return { DetailSelection::State::Common, PlistValue(first) };
}

// Whether every element reads the same; stops at the first that does not.
template <typename Read> bool allEqual(const MediaElementList &elements, Read read)
{
    const auto first = read(*elements.first());
    for (qsizetype i = 1; i < elements.size(); ++i) {
        if (!(read(*elements.at(i)) == first))
            return false;
    }
    return true;
}

// For derived values, the stored values they are made from: equal sources give
// equal values, and comparing them costs no text per element.
std::optional<bool> sameSources(const MediaElementList &elements, ElementKey key)
{
    switch (key) {
    case ElementKey::Resolution:
    case ElementKey::AspectRatio:
        return allEqual(elements,
            [](const MediaElement &e) { return std::pair(e.pixelsWide(), e.pixelsHigh()); });
    case ElementKey::FrameRate:
    case ElementKey::RoundedFrameRate:
        return allEqual(elements, [](const MediaElement &e) { return e.frameRate(); });
    case ElementKey::Device:
        return allEqual(elements, [](const MediaElement &e) { return e.device(); });
    default:
        return std::nullopt;
    }
}

} // namespace

QString DetailSelection::noSelectionText()
{
    return QObject::tr("No Selection");
}

QString DetailSelection::multipleValuesText()
{
    return QObject::tr("Multiple Values");
}

QString DetailSelection::placeholder(State state)
{
    switch (state) {
    case State::NoSelection:
        return noSelectionText();
    case State::MultipleValues:
        return multipleValuesText();
    case State::Common:
        break;
    }
    return QString();
}

bool DetailSelection::isShowable(const QString &key)
{
    const std::optional<ElementKey> known = ElementKeys::fromName(key);
    if (!known)
        return true;
    switch (*known) {
    case ElementKey::Status:
    case ElementKey::FileExists:
    case ElementKey::Resource:
    case ElementKey::Handlers:
    case ElementKey::PosterData:
    case ElementKey::ThumbnailData:
    case ElementKey::StoryboardData:
    case ElementKey::FilmstripData:
        return false;
    default:
        return true;
    }
}

DetailSelection::Value DetailSelection::valueForKey(const QString &key) const
{
    if (m_elements.isEmpty())
        return {};
    if (!isShowable(key))
        return { State::Common, PlistValue() };
    const std::optional<ElementKey> known = ElementKeys::fromName(key);
    if (!known) {
        return common(m_elements,
            [&](const MediaElement &e) { return e.userFields().value(key).toString(); });
    }
    // The values most often compared over a large selection are read without
    // making a value object per element.
    switch (*known) {
    case ElementKey::Rating:
        return common(m_elements, [](const MediaElement &e) { return qint64(e.rating()); });
    case ElementKey::UserComments:
        return common(m_elements, [](const MediaElement &e) { return e.userComments(); });
    case ElementKey::Size:
        return common(m_elements, [](const MediaElement &e) { return e.size(); });
    case ElementKey::Duration:
        return common(m_elements, [](const MediaElement &e) { return e.duration(); });
    case ElementKey::PlayCount:
        return common(m_elements, [](const MediaElement &e) { return e.playCount(); });
    case ElementKey::VideoCodec:
        return common(m_elements, [](const MediaElement &e) { return e.videoCodec(); });
    case ElementKey::AudioCodec:
        return common(m_elements, [](const MediaElement &e) { return e.audioCodec(); });
    default:
        break;
    }
    const ElementKey elementKey = *known;
    if (const std::optional<bool> same = sameSources(m_elements, elementKey)) {
        if (*same)
            return { State::Common, m_elements.first()->valueForKey(elementKey) };
        // Different sources may still give one text (16:9 from two sizes): the
        // texts decide, from the first element that differs.
    }
    const PlistValue first = m_elements.first()->valueForKey(elementKey);
    for (qsizetype i = 1; i < m_elements.size(); ++i) {
        if (!(m_elements.at(i)->valueForKey(elementKey) == first))
            return { State::MultipleValues, {} };
    }
    return { State::Common, first };
}

QList<MediaUserKeywordPtr> DetailSelection::keywordUnion(const MediaLibrary &library) const
{
    QSet<QString> seen;
    QList<MediaUserKeywordPtr> keywords;
    for (const MediaElementPtr &element : m_elements) {
        for (const QString &identifier : element->userKeywords()) {
            if (seen.contains(identifier))
                continue;
            seen.insert(identifier);
            if (MediaUserKeywordPtr keyword = library.keywordWithIdentifier(identifier))
                keywords.append(keyword);
        }
    }
    sortKeywords(keywords);
    return keywords;
}

void DetailSelection::sortKeywords(QList<MediaUserKeywordPtr> &keywords)
{
    std::stable_sort(keywords.begin(), keywords.end(),
        [](const MediaUserKeywordPtr &a, const MediaUserKeywordPtr &b) {
            return compareNumericString(a->name(), b->name()) == ComparisonResult::Ascending;
        });
}

} // namespace vidarium
