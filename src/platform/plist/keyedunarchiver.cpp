#include "keyedunarchiver.h"

#include "platform/plist/binaryplistreader.h"
#include "platform/plist/propertylist.h"
#include "platform/plist/unarchivesession.h"

#include <new>

namespace vidarium {

namespace {

// A damaged or hostile file can claim far more objects than memory holds, and the
// tables sized for them fail to allocate: that is an unreadable file, not a crash.
template <typename Read> auto withinMemory(const Read &read) -> decltype(read())
{
    try {
        return read();
    } catch (const std::bad_alloc &) {
        return Error(Error::Code::Corrupt,
            QStringLiteral("The archive claims more objects than memory can hold."));
    }
}

} // namespace

Result<PlistValue> KeyedUnarchiver::unarchive(
    const QByteArray &data, const QString &key, ArchiveDecodingContext *context)
{
    return withinMemory([&]() -> Result<PlistValue> {
        // Binary archives are read in place: a catalogue holds millions of values, and
        // building them all as a tree first cost more than decoding them.
        if (BinaryPlistReader::hasSignature(data)) {
            UnarchiveSession session(context);
            if (Result<void> opened = session.openBinary(data); !opened)
                return opened.error();
            return session.decodeTop(key);
        }
        Result<PlistValue> archive = PropertyList::read(data);
        if (!archive)
            return archive;
        return unarchive(*archive, key, context);
    });
}

Result<PlistValue> KeyedUnarchiver::unarchive(
    const PlistValue &archive, const QString &key, ArchiveDecodingContext *context)
{
    UnarchiveSession session(context);
    if (Result<void> opened = session.open(archive); !opened)
        return opened.error();
    return session.decodeTop(key);
}

Result<PlistDictionary> KeyedUnarchiver::unarchiveTopObjects(const PlistValue &archive)
{
    UnarchiveSession session;
    if (Result<void> opened = session.open(archive); !opened)
        return opened.error();
    PlistDictionary objects;
    const PlistDictionary &top = session.top();
    for (auto it = top.cbegin(); it != top.cend(); ++it) {
        Result<PlistValue> value = session.decodeTop(it.key());
        if (!value)
            return value.error();
        objects.insert(it.key(), std::move(value).value());
    }
    return objects;
}

bool KeyedUnarchiver::isKeyedArchive(const PlistValue &plist)
{
    return plist.type() == PlistValue::Type::Dictionary
        && plist.value(QStringLiteral("$objects")).type() == PlistValue::Type::Array
        && plist.value(QStringLiteral("$top")).type() == PlistValue::Type::Dictionary
        && plist.value(QStringLiteral("$archiver")).type() == PlistValue::Type::String;
}

} // namespace vidarium
