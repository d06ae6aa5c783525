#include "mediauserfield.h"

#include "model/mediaelement.h"
#include "model/medialibrary.h"
#include "platform/plist/archivecoderregistry.h"
#include "platform/plist/archivedecoder.h"
#include "platform/plist/archiveencoder.h"

#include <QCollator>
#include <QSet>
#include <QUuid>

#include <algorithm>
#include <mutex>

namespace vidarium {

MediaUserFieldPtr MediaUserField::create(MediaLibrary *library, const QString &name)
{
    auto field = std::make_shared<MediaUserField>();
    if (!library)
        return field;
    field->m_library = library;
    field->m_owner = library->identifier();
    field->m_identifier = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    field->m_name = name.isEmpty() ? UntitledName : name;
    return field;
}

MediaUserFieldPtr MediaUserField::copy() const
{
    return std::make_shared<MediaUserField>(*this);
}

QStringList MediaUserField::completionsForPrefix(const QString &prefix) const
{
    const MediaLibrary *library = m_library.data();
    if (!library)
        return {};
    QStringList values;
    values.reserve(library->media().size());
    for (const MediaElementPtr &element : library->media()) {
        if (m_split)
            values.append(element->arrayValueForUndefinedKey(m_identifier));
        else
            values.append(element->valueForUndefinedKey(m_identifier).toString());
    }
    return completionsFromValues(values, prefix);
}

QStringList completionsFromValues(const QStringList &values, const QString &prefix)
{
    QSet<QString> seen;
    QStringList completions;
    for (const QString &value : values) {
        if (!value.startsWith(prefix, Qt::CaseSensitive) || seen.contains(value))
            continue;
        seen.insert(value);
        completions.append(value);
    }
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(completions.begin(), completions.end(),
        [&](const QString &a, const QString &b) { return collator.compare(a, b) < 0; });
    return completions;
}

PlistDictionary MediaUserField::description() const
{
    return {
        { QStringLiteral("owner"), m_owner },
        { QStringLiteral("identifier"), m_identifier },
        { QStringLiteral("name"), m_name },
        { QStringLiteral("split"), m_split },
        { QStringLiteral("removed"), m_removed },
    };
}

void MediaUserField::encode(ArchiveEncoder &encoder) const
{
    encoder.encodeObject(QStringLiteral("owner"), m_owner);
    encoder.encodeObject(QStringLiteral("identifier"), m_identifier);
    encoder.encodeObject(QStringLiteral("name"), m_name);
    encoder.encodeBool(QStringLiteral("split"), m_split);
    encoder.encodeBool(QStringLiteral("removed"), m_removed);
}

Result<PlistValue> MediaUserField::decode(ArchiveDecoder &decoder)
{
    auto field = std::make_shared<MediaUserField>();
    field->m_owner = decoder.decodeObject(QStringLiteral("owner")).toString();
    field->m_identifier = decoder.decodeObject(QStringLiteral("identifier")).toString();
    field->m_name = decoder.decodeObject(QStringLiteral("name")).toString();
    field->m_split = decoder.decodeBool(QStringLiteral("split"));
    field->m_removed = decoder.decodeBool(QStringLiteral("removed"));
    return PlistValue(std::shared_ptr<ArchivedObject>(std::move(field)));
}

void MediaUserField::registerArchiveCoder()
{
    static std::once_flag once;
    std::call_once(
        once, [] { ArchiveCoderRegistry::instance().registerDecoder(ClassName, &decode); });
}

} // namespace vidarium
