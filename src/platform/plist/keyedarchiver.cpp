#include "keyedarchiver.h"

#include "platform/plist/archivedobject.h"
#include "platform/plist/archiveencoder.h"
#include "platform/plist/binaryplistwriter.h"

#include <QHash>

#include <algorithm>
#include <unordered_map>
#include <vector>

namespace vidarium {

namespace {

using Ref = BinaryPlistWriter::Ref;
using Style = ArchiveEncoder::Style;

constexpr qint64 archiveVersion = 100000;

class ObjectEncoder;

// The field references of one object being written; kept for reuse, because every
// object needs a pair and a catalogue has millions of objects.
struct FieldBuffers
{
    std::vector<BinaryPlistWriter::Ref> keys;
    std::vector<BinaryPlistWriter::Ref> values;
};

// Lays out $objects straight into the binary writer. Each archive object gets its
// UID (its slot in $objects) before its fields are written, so slots follow the order
// of encoding as they do in the platform's archives.
class ArchiveBuilder
{
public:
    ArchiveBuilder()
    {
        m_classKey = m_writer.addString(QStringLiteral("$class"));
        m_slots.push_back(m_writer.addString(QStringLiteral("$null")));
    }

    // The UID of `value` archived as an object (0 for Invalid, the nil reference).
    quint64 encode(const PlistValue &value, Style style);
    // A field stored inline; archived objects and the null marker found inside it
    // become references, since they have no inline form.
    Ref inlineRef(const PlistValue &value);
    // UIDs are dense, so their plist objects are found by index rather than by hashing.
    Ref uidRef(quint64 uid)
    {
        if (uid >= m_uidRefs.size())
            m_uidRefs.resize(uid + 1, BinaryPlistWriter::noRef);
        if (m_uidRefs[uid] == BinaryPlistWriter::noRef)
            m_uidRefs[uid] = m_writer.addDistinctUid(uid);
        return m_uidRefs[uid];
    }
    Ref keyRef(const QString &key);
    Ref arrayRef(std::span<const Ref> members) { return m_writer.addArray(members); }

    QByteArray finish(const PlistDictionary &topObjects);

    FieldBuffers takeBuffers()
    {
        if (m_spareBuffers.empty())
            return FieldBuffers();
        FieldBuffers buffers = std::move(m_spareBuffers.back());
        m_spareBuffers.pop_back();
        buffers.keys.clear();
        buffers.values.clear();
        return buffers;
    }
    void giveBack(FieldBuffers &&buffers) { m_spareBuffers.push_back(std::move(buffers)); }

private:
    quint64 reserveSlot()
    {
        m_slots.push_back(BinaryPlistWriter::noRef);
        return m_slots.size() - 1;
    }
    quint64 scalarSlot(Ref ref);
    quint64 encodeArchivedObject(const std::shared_ptr<ArchivedObject> &object);
    quint64 encodeFoundation(const PlistValue &value, Style style);
    void finishSlot(
        quint64 slot, const QString &className, const QStringList &chain, ObjectEncoder &fields);
    Ref classRef(const QString &name, const QStringList &chain);

    BinaryPlistWriter m_writer;
    // Field keys seen before, found by their characters' address: encoders pass the
    // same few key strings (literals or a table's) for every object, and comparing
    // one costs less than hashing it. The text is checked all the same.
    struct KeyCacheEntry
    {
        const QChar *address = nullptr;
        QString text;
        Ref ref = BinaryPlistWriter::noRef;
    };
    static constexpr size_t keyCacheSize = 256;

    std::vector<Ref> m_slots; // the $objects entries, by UID
    // Strings and numbers, uniqued: the slot (+1, 0 for none) of each plist object,
    // by its reference, which the writer hands out densely.
    std::vector<quint32> m_scalarSlots;
    std::vector<KeyCacheEntry> m_keyCache = std::vector<KeyCacheEntry>(keyCacheSize);
    std::unordered_map<const ArchivedObject *, quint64> m_objectSlots;
    std::vector<Ref> m_uidRefs; // by UID
    // Class descriptions by name; one name may come with more than one chain.
    QHash<QString, QList<std::pair<QStringList, Ref>>> m_classRefs;
    std::vector<FieldBuffers> m_spareBuffers;
    quint64 m_nullSlot = 0; // NSNull is a singleton: one slot
    Ref m_classKey = 0;
};

// What an object's encode() writes to: its fields, as key and value references.
class ObjectEncoder : public ArchiveEncoder
{
public:
    explicit ObjectEncoder(ArchiveBuilder &builder)
        : m_builder(builder)
        , m_buffers(builder.takeBuffers())
        , keys(m_buffers.keys)
        , values(m_buffers.values)
    {
    }
    ~ObjectEncoder() override { m_builder.giveBack(std::move(m_buffers)); }
    ObjectEncoder(const ObjectEncoder &) = delete;
    ObjectEncoder &operator=(const ObjectEncoder &) = delete;

private:
    ArchiveBuilder &m_builder;
    FieldBuffers m_buffers;

public:
    std::vector<Ref> &keys;
    std::vector<Ref> &values;

protected:
    void writeReference(const QString &key, const PlistValue &value, Style style) override
    {
        const quint64 uid = m_builder.encode(value, style);
        keys.push_back(m_builder.keyRef(key));
        values.push_back(m_builder.uidRef(uid));
    }

    void writeReferenceArray(const QString &key, const PlistArray &members) override
    {
        std::vector<Ref> refs;
        refs.reserve(size_t(members.size()));
        for (const PlistValue &member : members)
            refs.push_back(m_builder.uidRef(m_builder.encode(member, Style::Immutable)));
        keys.push_back(m_builder.keyRef(key));
        values.push_back(m_builder.arrayRef(refs));
    }

    void writeInline(const QString &key, const PlistValue &value) override
    {
        const Ref ref = m_builder.inlineRef(value);
        if (ref == BinaryPlistWriter::noRef)
            return; // Invalid: a key that is not there
        keys.push_back(m_builder.keyRef(key));
        values.push_back(ref);
    }
};

const QStringList &chainOf(const char *const *names, int count, QStringList &storage)
{
    if (storage.isEmpty())
        for (int i = 0; i < count; ++i)
            storage.append(QLatin1String(names[i]));
    return storage;
}

// The class chains of the value classes, as the platform records them.
const QStringList &foundationChain(PlistValue::Type type, bool isMutable)
{
    static const char *const mutableString[] = { "NSMutableString", "NSString", "NSObject" };
    static const char *const mutableData[] = { "NSMutableData", "NSData", "NSObject" };
    static const char *const date[] = { "NSDate", "NSObject" };
    static const char *const null[] = { "NSNull", "NSObject" };
    static const char *const array[] = { "NSArray", "NSObject" };
    static const char *const mutableArray[] = { "NSMutableArray", "NSArray", "NSObject" };
    static const char *const dictionary[] = { "NSDictionary", "NSObject" };
    static const char *const mutableDictionary[]
        = { "NSMutableDictionary", "NSDictionary", "NSObject" };
    static const char *const set[] = { "NSSet", "NSObject" };
    static const char *const mutableSet[] = { "NSMutableSet", "NSSet", "NSObject" };
    static QStringList chains[10];
    switch (type) {
    case PlistValue::Type::String:
        return chainOf(mutableString, 3, chains[0]);
    case PlistValue::Type::Data:
        return chainOf(mutableData, 3, chains[1]);
    case PlistValue::Type::Date:
        return chainOf(date, 2, chains[2]);
    case PlistValue::Type::Null:
        return chainOf(null, 2, chains[3]);
    case PlistValue::Type::Array:
        return isMutable ? chainOf(mutableArray, 3, chains[5]) : chainOf(array, 2, chains[4]);
    case PlistValue::Type::Dictionary:
        return isMutable ? chainOf(mutableDictionary, 3, chains[7])
                         : chainOf(dictionary, 2, chains[6]);
    default:
        return isMutable ? chainOf(mutableSet, 3, chains[9]) : chainOf(set, 2, chains[8]);
    }
}

quint64 ArchiveBuilder::scalarSlot(Ref ref)
{
    if (ref >= m_scalarSlots.size())
        m_scalarSlots.resize(std::max<size_t>(size_t(ref) + 1, m_scalarSlots.size() * 2), 0);
    if (m_scalarSlots[ref] != 0)
        return m_scalarSlots[ref] - 1;
    m_slots.push_back(ref);
    const quint64 slot = m_slots.size() - 1;
    m_scalarSlots[ref] = quint32(slot + 1);
    return slot;
}

BinaryPlistWriter::Ref ArchiveBuilder::keyRef(const QString &key)
{
    const auto address = reinterpret_cast<quintptr>(key.constData());
    KeyCacheEntry &entry = m_keyCache[(address >> 4) % keyCacheSize];
    if (entry.address == key.constData() && entry.ref != BinaryPlistWriter::noRef
        && entry.text == key)
        return entry.ref;
    const Ref ref = m_writer.addString(key);
    entry = KeyCacheEntry { key.constData(), QString(key.constData(), key.size()), ref };
    return ref;
}

quint64 ArchiveBuilder::encode(const PlistValue &value, Style style)
{
    const bool isMutable = style == Style::Mutable;
    switch (value.type()) {
    case PlistValue::Type::Invalid:
    case PlistValue::Type::Uid: // a UID of another archive means nothing here
        return 0;
    case PlistValue::Type::Bool:
    case PlistValue::Type::Integer:
    case PlistValue::Type::Real:
        return scalarSlot(m_writer.addValue(value));
    case PlistValue::Type::String:
    case PlistValue::Type::Data:
        if (!isMutable)
            return scalarSlot(m_writer.addValue(value));
        return encodeFoundation(value, style);
    case PlistValue::Type::Null:
        if (m_nullSlot == 0)
            m_nullSlot = encodeFoundation(value, style);
        return m_nullSlot;
    case PlistValue::Type::Object:
        return encodeArchivedObject(value.toObject());
    case PlistValue::Type::Date:
    case PlistValue::Type::Array:
    case PlistValue::Type::Dictionary:
    case PlistValue::Type::Set:
        return encodeFoundation(value, style);
    }
    return 0;
}

quint64 ArchiveBuilder::encodeFoundation(const PlistValue &value, Style style)
{
    const quint64 slot = reserveSlot();
    ObjectEncoder fields(*this);
    switch (value.type()) {
    case PlistValue::Type::String:
        fields.encodeInline(QStringLiteral("NS.string"), value);
        break;
    case PlistValue::Type::Data:
        fields.encodeInline(QStringLiteral("NS.data"), value);
        break;
    case PlistValue::Type::Date:
        // Dates are nearly all different: looking each up among the catalogue's
        // values would cost more than the few bytes an equal one takes again.
        fields.keys.push_back(keyRef(QStringLiteral("NS.time")));
        fields.values.push_back(m_writer.addDistinctReal(value.toDate().secondsSince2001));
        break;
    case PlistValue::Type::Array:
    case PlistValue::Type::Set:
        fields.encodeObjectArray(QStringLiteral("NS.objects"), value.toArray());
        break;
    case PlistValue::Type::Dictionary: {
        // Keys first, then values, each an inline array of references.
        const PlistDictionary &dictionary = value.toDictionary();
        std::vector<Ref> refs;
        refs.reserve(size_t(dictionary.size()));
        for (auto it = dictionary.cbegin(); it != dictionary.cend(); ++it)
            refs.push_back(uidRef(scalarSlot(m_writer.addString(it.key()))));
        fields.keys.push_back(keyRef(QStringLiteral("NS.keys")));
        fields.values.push_back(arrayRef(refs));
        refs.clear();
        for (auto it = dictionary.cbegin(); it != dictionary.cend(); ++it)
            refs.push_back(uidRef(encode(it.value(), Style::Immutable)));
        fields.keys.push_back(keyRef(QStringLiteral("NS.objects")));
        fields.values.push_back(arrayRef(refs));
        break;
    }
    default:
        break; // NSNull has no fields
    }
    const QStringList &chain = foundationChain(value.type(), style == Style::Mutable);
    finishSlot(slot, chain.first(), chain, fields);
    return slot;
}

quint64 ArchiveBuilder::encodeArchivedObject(const std::shared_ptr<ArchivedObject> &object)
{
    if (!object)
        return 0;
    const auto known = m_objectSlots.find(object.get());
    if (known != m_objectSlots.end())
        return known->second;
    const quint64 slot = reserveSlot();
    m_objectSlots.emplace(object.get(), slot);
    ObjectEncoder fields(*this);
    object->encode(fields);
    QStringList chain = object->classChain();
    const QString name = object->className();
    if (chain.isEmpty() || chain.first() != name)
        chain.prepend(name);
    finishSlot(slot, name, chain, fields);
    return slot;
}

void ArchiveBuilder::finishSlot(
    quint64 slot, const QString &className, const QStringList &chain, ObjectEncoder &fields)
{
    fields.keys.push_back(m_classKey);
    fields.values.push_back(classRef(className, chain));
    m_slots[slot] = m_writer.addDictionary(fields.keys, fields.values);
}

BinaryPlistWriter::Ref ArchiveBuilder::classRef(const QString &name, const QStringList &chain)
{
    QList<std::pair<QStringList, Ref>> &known = m_classRefs[name];
    for (const auto &[knownChain, ref] : known)
        if (knownChain == chain)
            return ref;
    std::vector<Ref> classes;
    for (const QString &entry : chain)
        classes.push_back(m_writer.addString(entry));
    const Ref keys[] = { m_writer.addString(QStringLiteral("$classname")),
        m_writer.addString(QStringLiteral("$classes")) };
    const Ref values[] = { m_writer.addString(name), m_writer.addArray(classes) };
    m_slots.push_back(m_writer.addDictionary(keys, values));
    const Ref ref = uidRef(m_slots.size() - 1);
    known.append({ chain, ref });
    return ref;
}

Ref ArchiveBuilder::inlineRef(const PlistValue &value)
{
    switch (value.type()) {
    case PlistValue::Type::Invalid:
        return BinaryPlistWriter::noRef;
    case PlistValue::Type::Object:
    case PlistValue::Type::Null:
        return uidRef(encode(value, Style::Immutable));
    case PlistValue::Type::Array:
    case PlistValue::Type::Set: {
        std::vector<Ref> members;
        for (const PlistValue &member : value.toArray()) {
            const Ref ref = inlineRef(member);
            members.push_back(ref == BinaryPlistWriter::noRef ? uidRef(0) : ref);
        }
        return value.type() == PlistValue::Type::Set ? m_writer.addSet(members)
                                                     : m_writer.addArray(members);
    }
    case PlistValue::Type::Dictionary: {
        std::vector<Ref> keys, values;
        const PlistDictionary &dictionary = value.toDictionary();
        for (auto it = dictionary.cbegin(); it != dictionary.cend(); ++it) {
            const Ref ref = inlineRef(it.value());
            keys.push_back(m_writer.addString(it.key()));
            values.push_back(ref == BinaryPlistWriter::noRef ? uidRef(0) : ref);
        }
        return m_writer.addDictionary(keys, values);
    }
    default:
        return m_writer.addValue(value);
    }
}

QByteArray ArchiveBuilder::finish(const PlistDictionary &topObjects)
{
    std::vector<Ref> topKeys, topValues;
    for (auto it = topObjects.cbegin(); it != topObjects.cend(); ++it) {
        const quint64 uid = encode(it.value(), Style::Immutable);
        topKeys.push_back(m_writer.addString(it.key()));
        topValues.push_back(m_writer.addUid(uid));
    }
    const Ref top = m_writer.addDictionary(topKeys, topValues);
    const Ref objects = m_writer.addArray(m_slots);
    const Ref keys[] = { m_writer.addString(QStringLiteral("$version")),
        m_writer.addString(QStringLiteral("$archiver")), m_writer.addString(QStringLiteral("$top")),
        m_writer.addString(QStringLiteral("$objects")) };
    const Ref values[] = { m_writer.addInteger(archiveVersion),
        m_writer.addString(QStringLiteral("NSKeyedArchiver")), top, objects };
    return m_writer.finish(m_writer.addDictionary(keys, values));
}

} // namespace

QByteArray KeyedArchiver::archivedData(const PlistValue &root)
{
    PlistDictionary top;
    top.insert(QStringLiteral("root"), root);
    return archivedTopObjects(top);
}

QByteArray KeyedArchiver::archivedTopObjects(const PlistDictionary &topObjects)
{
    ArchiveBuilder builder;
    return builder.finish(topObjects);
}

} // namespace vidarium
