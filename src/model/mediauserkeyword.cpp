#include "mediauserkeyword.h"

#include "model/medialibrary.h"
#include "platform/plist/archivecoderregistry.h"
#include "platform/plist/archivedecoder.h"
#include "platform/plist/archiveencoder.h"

#include <QSet>
#include <QUuid>

#include <mutex>

namespace vidarium {

MediaUserKeywordPtr MediaUserKeyword::create(MediaLibrary *library, const QString &name)
{
    auto keyword = std::make_shared<MediaUserKeyword>();
    if (!library)
        return keyword;
    keyword->m_library = library;
    keyword->m_identifier = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    if (!name.isEmpty()) {
        keyword->m_name = name;
        return keyword;
    }
    QStringList names;
    for (const MediaUserKeywordPtr &existing : library->userKeywords())
        names.append(existing->name());
    keyword->m_name = untitledName(names);
    return keyword;
}

QString MediaUserKeyword::untitledName(const QStringList &names)
{
    const QSet<QString> taken(names.begin(), names.end());
    if (!taken.contains(UntitledName))
        return UntitledName;
    // At most names.size() numbers can be taken, so this ends.
    for (qsizetype number = 1;; ++number) {
        const QString candidate = UntitledName + u' ' + QString::number(number);
        if (!taken.contains(candidate))
            return candidate;
    }
}

MediaUserKeywordPtr MediaUserKeyword::copy() const
{
    return std::make_shared<MediaUserKeyword>(*this);
}

void MediaUserKeyword::encode(ArchiveEncoder &encoder) const
{
    encoder.encodeObject(QStringLiteral("identifier"), m_identifier);
    encoder.encodeObject(
        QStringLiteral("name"), m_name.isNull() ? PlistValue() : PlistValue(m_name));
}

Result<PlistValue> MediaUserKeyword::decode(ArchiveDecoder &decoder)
{
    auto keyword = std::make_shared<MediaUserKeyword>();
    keyword->m_identifier = decoder.decodeObject(QStringLiteral("identifier")).toString();
    const PlistValue name = decoder.decodeObject(QStringLiteral("name"));
    if (name.type() == PlistValue::Type::String)
        keyword->m_name = name.toString();
    return PlistValue(std::shared_ptr<ArchivedObject>(std::move(keyword)));
}

void MediaUserKeyword::registerArchiveCoder()
{
    static std::once_flag once;
    std::call_once(
        once, [] { ArchiveCoderRegistry::instance().registerDecoder(ClassName, &decode); });
}

} // namespace vidarium
