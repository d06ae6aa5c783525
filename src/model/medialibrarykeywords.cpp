// The library's user fields and keywords.

#include "model/medialibrary.h"

#include "model/mediauserfield.h"
#include "model/mediauserkeyword.h"

#include <algorithm>

namespace vidarium {

namespace {

bool isBlank(const QString &text)
{
    for (const QChar c : text) {
        if (!c.isSpace())
            return false;
    }
    return true;
}

QList<MediaUserFieldPtr> fieldsSortedByName(QList<MediaUserFieldPtr> fields)
{
    std::sort(
        fields.begin(), fields.end(), [](const MediaUserFieldPtr &a, const MediaUserFieldPtr &b) {
            return a->name() < b->name();
        });
    return fields;
}

} // namespace

void MediaLibrary::setUserFields(QHash<QString, MediaUserFieldPtr> fields)
{
    m_userFields = std::move(fields);
}

MediaUserFieldPtr MediaLibrary::createFieldWithName(const QString &name)
{
    for (const MediaUserFieldPtr &field : std::as_const(m_userFields)) {
        if (field->name() == name)
            return field;
    }
    MediaUserFieldPtr field = MediaUserField::create(this, name);
    m_userFields.insert(field->identifier(), field);
    return field;
}

MediaUserFieldPtr MediaLibrary::userFieldWithIdentifier(const QString &identifier) const
{
    return m_userFields.value(identifier);
}

void MediaLibrary::updateUserFields(const QList<MediaUserFieldPtr> &fields)
{
    for (const MediaUserFieldPtr &field : std::as_const(m_userFields))
        field->setRemoved(true);
    for (const MediaUserFieldPtr &field : fields) {
        if (field && !field->identifier().isEmpty())
            m_userFields.insert(field->identifier(), field);
    }
}

QList<MediaUserFieldPtr> MediaLibrary::activeUserFields() const
{
    QList<MediaUserFieldPtr> fields;
    for (const MediaUserFieldPtr &field : m_userFields) {
        if (!field->removed())
            fields.append(field);
    }
    return fieldsSortedByName(fields);
}

QList<MediaUserFieldPtr> MediaLibrary::inactiveUserFields() const
{
    QList<MediaUserFieldPtr> fields;
    for (const MediaUserFieldPtr &field : m_userFields) {
        if (field->removed())
            fields.append(field);
    }
    return fieldsSortedByName(fields);
}

bool MediaLibrary::shouldSplitValuesForPropertyKey(const QString &key) const
{
    const MediaUserFieldPtr field = m_userFields.value(key);
    return field && field->split();
}

void MediaLibrary::setUserKeywords(QHash<QString, MediaUserKeywordPtr> keywords)
{
    m_userKeywords = std::move(keywords);
}

MediaUserKeywordPtr MediaLibrary::createKeywordWithName(const QString &name)
{
    if (!name.isEmpty()) {
        for (const MediaUserKeywordPtr &keyword : std::as_const(m_userKeywords)) {
            if (keyword->name() == name)
                return keyword;
        }
    }
    MediaUserKeywordPtr keyword = MediaUserKeyword::create(this, name);
    m_userKeywords.insert(keyword->identifier(), keyword);
    return keyword;
}

MediaUserKeywordPtr MediaLibrary::keywordWithIdentifier(const QString &identifier) const
{
    return m_userKeywords.value(identifier);
}

QString MediaLibrary::keywordNameForIdentifier(const QString &identifier) const
{
    const MediaUserKeywordPtr keyword = m_userKeywords.value(identifier);
    if (!keyword)
        return QString();
    return keyword->name().isNull() ? QStringLiteral("") : keyword->name();
}

PlistValue MediaLibrary::keywordObjectsForIdentifiers(const QStringList &identifiers) const
{
    PlistArray objects;
    objects.reserve(identifiers.size());
    for (const QString &identifier : identifiers) {
        const MediaUserKeywordPtr keyword = m_userKeywords.value(identifier);
        objects.append(keyword ? PlistValue(std::static_pointer_cast<ArchivedObject>(keyword))
                               : PlistValue::null());
    }
    return objects;
}

void MediaLibrary::removeStaleKeywords()
{
    QSet<QString> carried;
    for (const ElementDictionary *dictionary : { &m_media, &m_trash, &m_error }) {
        for (const MediaElementPtr &element : *dictionary) {
            for (const QString &identifier : element->userKeywords())
                carried.insert(identifier);
        }
    }
    for (auto it = m_userKeywords.begin(); it != m_userKeywords.end();) {
        if (carried.contains(it.key()))
            ++it;
        else
            it = m_userKeywords.erase(it);
    }
}

void MediaLibrary::validateKeywords()
{
    for (const MediaUserKeywordPtr &keyword : std::as_const(m_userKeywords)) {
        if (isBlank(keyword->name()))
            keyword->setName(MediaUserKeyword::UntitledName);
    }
    removeStaleKeywords();
}

} // namespace vidarium
