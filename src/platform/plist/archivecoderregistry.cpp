#include "archivecoderregistry.h"

#include "platform/plist/archivedecoder.h"
#include "platform/plist/sortdescriptor.h"

namespace vidarium {

namespace {

const QString objectsKey = QStringLiteral("NS.objects");
const QString keysKey = QStringLiteral("NS.keys");

Result<PlistValue> decodeString(ArchiveDecoder &decoder)
{
    PlistValue value = decoder.decodeObject(QStringLiteral("NS.string"));
    if (value.type() == PlistValue::Type::String)
        return value;
    // Strings that are not plist-safe are kept as UTF-8 bytes.
    const PlistValue bytes = decoder.decodeObject(QStringLiteral("NS.bytes"));
    if (bytes.type() == PlistValue::Type::Data)
        return PlistValue(QString::fromUtf8(bytes.toData()));
    if (!value.isValid() && !bytes.isValid())
        return PlistValue(QString());
    return decoder.corrupt(
        QStringLiteral("the string is stored as a %1").arg(PlistValue::typeName(value.type())));
}

Result<PlistValue> decodeData(ArchiveDecoder &decoder)
{
    for (const QString &key : { QStringLiteral("NS.data"), QStringLiteral("NS.bytes") }) {
        const PlistValue value = decoder.decodeObject(key);
        if (value.type() == PlistValue::Type::Data)
            return value;
        if (value.isValid())
            return decoder.corrupt(QStringLiteral("the data is stored as a %1")
                                       .arg(PlistValue::typeName(value.type())));
    }
    return PlistValue(QByteArray());
}

Result<PlistValue> decodeDate(ArchiveDecoder &decoder)
{
    const PlistValue time = decoder.rawValue(QStringLiteral("NS.time"));
    if (!time.isNumber())
        return decoder.corrupt(QStringLiteral("the date has no time"));
    return PlistValue(PlistDate { time.toDouble() });
}

Result<PlistValue> decodeArray(ArchiveDecoder &decoder)
{
    return PlistValue(decoder.decodeObjectArray(objectsKey));
}

Result<PlistValue> decodeSet(ArchiveDecoder &decoder)
{
    return PlistValue::set(decoder.decodeObjectArray(objectsKey));
}

Result<PlistValue> decodeDictionary(ArchiveDecoder &decoder)
{
    const PlistValue rawKeys = decoder.rawValue(keysKey);
    const PlistValue rawObjects = decoder.rawValue(objectsKey);
    if (rawKeys.toArray().size() != rawObjects.toArray().size())
        return decoder.corrupt(QStringLiteral("%1 keys for %2 values")
                                   .arg(rawKeys.toArray().size())
                                   .arg(rawObjects.toArray().size()));
    const PlistArray keys = decoder.decodeObjectArray(keysKey);
    PlistArray objects = decoder.decodeObjectArray(objectsKey);
    if (decoder.hasFailed())
        return PlistValue();
    if (keys.size() != objects.size())
        return decoder.corrupt(QStringLiteral("a key or a value is nil"));
    PlistDictionary dictionary;
    for (qsizetype i = 0; i < keys.size(); ++i) {
        if (keys[i].type() != PlistValue::Type::String)
            return decoder.corrupt(QStringLiteral("a key is a %1, not a string")
                                       .arg(PlistValue::typeName(keys[i].type())));
        dictionary.insert(keys[i].toString(), std::move(objects[i]));
    }
    return PlistValue(dictionary);
}

Result<PlistValue> decodeSortDescriptor(ArchiveDecoder &decoder)
{
    const PlistValue key = decoder.decodeObject(QStringLiteral("NSKey"));
    const PlistValue selector = decoder.decodeObject(QStringLiteral("NSSelector"));
    if ((key.isValid() && key.type() != PlistValue::Type::String)
        || (selector.isValid() && selector.type() != PlistValue::Type::String))
        return decoder.corrupt(QStringLiteral("the key or the selector is not a string"));
    auto descriptor = std::make_shared<SortDescriptor>(
        key.toString(), decoder.decodeBool(QStringLiteral("NSAscending")), selector.toString());
    if (decoder.containsKey(QStringLiteral("NSReverseNullOrder")))
        descriptor->setReverseNullOrder(decoder.decodeBool(QStringLiteral("NSReverseNullOrder")));
    return PlistValue(std::shared_ptr<ArchivedObject>(std::move(descriptor)));
}

} // namespace

ArchiveCoderRegistry &ArchiveCoderRegistry::instance()
{
    static ArchiveCoderRegistry registry;
    return registry;
}

ArchiveCoderRegistry::ArchiveCoderRegistry()
{
    registerFoundationDecoders();
}

void ArchiveCoderRegistry::registerFoundationDecoders()
{
    // Concrete private classes archive under these public names; a reader has to take
    // both the mutable and the immutable name of each kind.
    for (const char *name : { "NSString", "NSMutableString" })
        m_decoders.insert(QLatin1String(name), decodeString);
    for (const char *name : { "NSData", "NSMutableData" })
        m_decoders.insert(QLatin1String(name), decodeData);
    for (const char *name : { "NSArray", "NSMutableArray" })
        m_decoders.insert(QLatin1String(name), decodeArray);
    for (const char *name : { "NSSet", "NSMutableSet" })
        m_decoders.insert(QLatin1String(name), decodeSet);
    for (const char *name : { "NSDictionary", "NSMutableDictionary" })
        m_decoders.insert(QLatin1String(name), decodeDictionary);
    m_decoders.insert(QStringLiteral("NSDate"), decodeDate);
    m_decoders.insert(QStringLiteral("NSNull"),
        [](ArchiveDecoder &) { return Result<PlistValue>(PlistValue::null()); });
    m_decoders.insert(SortDescriptor::archivedClassName, decodeSortDescriptor);
}

void ArchiveCoderRegistry::registerDecoder(const QString &className, Decoder decoder)
{
    QWriteLocker locker(&m_lock);
    m_decoders.insert(className, std::move(decoder));
}

ArchiveCoderRegistry::Decoder ArchiveCoderRegistry::decoder(const QString &className) const
{
    QReadLocker locker(&m_lock);
    return m_decoders.value(className);
}

bool ArchiveCoderRegistry::hasDecoder(const QString &className) const
{
    QReadLocker locker(&m_lock);
    return m_decoders.contains(className);
}

} // namespace vidarium
