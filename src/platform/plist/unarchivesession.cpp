#include "unarchivesession.h"

#include "platform/hugepages.h"
#include "platform/plist/archivedecoder.h"
#include "platform/plist/genericarchivedobject.h"
#include "platform/plist/propertylist.h"

#include <algorithm>
#include <utility>

namespace vidarium {

namespace {

const QString objectsKey = QStringLiteral("$objects");
const QString topKey = QStringLiteral("$top");
const QString classKey = QStringLiteral("$class");
const QString classNameKey = QStringLiteral("$classname");
const QString classesKey = QStringLiteral("$classes");

Error corruptArchive(const QString &what)
{
    return Error(Error::Code::Corrupt, QStringLiteral("damaged keyed archive: %1").arg(what));
}

quint64 saturatingAdd(quint64 a, quint64 b)
{
    return a > ~quint64(0) - b ? ~quint64(0) : a + b;
}

bool containsUid(const PlistValue &value)
{
    switch (value.type()) {
    case PlistValue::Type::Uid:
        return true;
    case PlistValue::Type::Array:
    case PlistValue::Type::Set:
        for (const PlistValue &member : value.toArray())
            if (containsUid(member))
                return true;
        return false;
    case PlistValue::Type::Dictionary:
        for (const PlistValue &member : value.toDictionary())
            if (containsUid(member))
                return true;
        return false;
    default:
        return false;
    }
}

} // namespace

Result<void> UnarchiveSession::open(const PlistValue &archive)
{
    if (archive.type() != PlistValue::Type::Dictionary)
        return corruptArchive(QStringLiteral("the top level is a %1, not a dictionary")
                                  .arg(PlistValue::typeName(archive.type())));
    const PlistValue objects = archive.value(objectsKey);
    const PlistValue top = archive.value(topKey);
    if (objects.type() != PlistValue::Type::Array)
        return corruptArchive(QStringLiteral("\"$objects\" is missing or not an array"));
    if (top.type() != PlistValue::Type::Dictionary)
        return corruptArchive(QStringLiteral("\"$top\" is missing or not a dictionary"));
    m_objects = objects.toArray();
    m_top = top.toDictionary();
    sizeTables(quint64(m_objects.size()));
    return {};
}

Result<void> UnarchiveSession::openBinary(const QByteArray &bytes)
{
    BinaryPlistObjects &file = m_binary.emplace();
    if (Result<void> opened = file.open(bytes); !opened)
        return opened.error();
    // Inline values are spelled out in full wherever they are used; honest archives
    // use each once, so a few values per byte of the file is plenty.
    m_inlineBudget = 16 * file.size() + (quint64(1) << 20);
    m_keyIdOfObject.assign(file.count(), -1);

    VIDARIUM_TRY(const Entry frame, file.entry(file.topObject()));
    if (frame.kind != Entry::Kind::Dictionary) {
        PlistValue::Type type
            = frame.kind == Entry::Kind::Set ? PlistValue::Type::Set : PlistValue::Type::Array;
        if (!frame.isContainer()) {
            VIDARIUM_TRY(const PlistValue value, file.scalar(file.topObject(), frame));
            type = value.type();
        }
        return corruptArchive(QStringLiteral("the top level is a %1, not a dictionary")
                                  .arg(PlistValue::typeName(type)));
    }
    std::optional<Entry> objects;
    PlistValue top;
    for (quint64 i = 0; i < frame.count; ++i) {
        VIDARIUM_TRY(const quint64 keyIndex, file.member(frame, i));
        VIDARIUM_TRY(const int key, keyId(keyIndex));
        VIDARIUM_TRY(const quint64 valueIndex, file.member(frame, frame.count + i));
        if (m_keyNames[size_t(key)] == objectsKey) {
            VIDARIUM_TRY(const Entry entry, file.entry(valueIndex));
            objects = entry.kind == Entry::Kind::Array ? std::optional<Entry>(entry) : std::nullopt;
        } else if (m_keyNames[size_t(key)] == topKey) {
            VIDARIUM_TRY(top, binaryValue(valueIndex, 0));
        }
    }
    if (!objects)
        return corruptArchive(QStringLiteral("\"$objects\" is missing or not an array"));
    if (top.type() != PlistValue::Type::Dictionary)
        return corruptArchive(QStringLiteral("\"$top\" is missing or not a dictionary"));
    m_objectsEntry = *objects;
    m_top = top.toDictionary();
    sizeTables(m_objectsEntry.count);
    return {};
}

void UnarchiveSession::sizeTables(quint64 count)
{
    m_objectCount = count;
    m_decoded.reserve(size_t(count));
    adviseHugePages(m_decoded.data(), size_t(count) * sizeof(PlistValue));
    m_decoded.resize(size_t(count));
    m_weights.assign(size_t(count), 0);
    m_states.assign(size_t(count), State::Unread);
    // Grows with every object decoded (see decodeObject): generous for real catalogues,
    // whose values are each handed out about once, and still linear in the archive.
    m_budget = quint64(1) << 20;
}

Result<PlistValue> UnarchiveSession::decodeTop(const QString &key)
{
    const PlistValue reference = m_top.value(key);
    if (!reference.isValid())
        return Error(Error::Code::NotFound,
            QStringLiteral("the keyed archive has no object under \"%1\"").arg(key));
    const PlistValue value = decodeField(reference);
    if (failed())
        return error();
    return value;
}

void UnarchiveSession::fail(const Error &error)
{
    if (!m_error)
        m_error = error;
}

Error UnarchiveSession::corrupt(const QString &what) const
{
    if (m_currentClass.isEmpty())
        return corruptArchive(what);
    return corruptArchive(
        QStringLiteral("object %1 (%2): %3").arg(m_current).arg(m_currentClass, what));
}

bool UnarchiveSession::charge(quint64 weight)
{
    if (weight > m_budget) {
        fail(corruptArchive(QStringLiteral("its objects are shared so often that they would expand "
                                           "far beyond the size of the file")));
        return false;
    }
    m_budget -= weight;
    m_handedOut = saturatingAdd(m_handedOut, weight);
    return true;
}

PlistValue UnarchiveSession::decodeField(const PlistValue &raw)
{
    if (failed())
        return PlistValue();
    switch (raw.type()) {
    case PlistValue::Type::Invalid:
        return PlistValue();
    case PlistValue::Type::Uid: {
        const quint64 uid = raw.toUid().index;
        if (uid == 0)
            return PlistValue();
        const PlistValue *value = decodeUid(uid);
        if (!value || !charge(m_weights[uid]))
            return PlistValue();
        return *value;
    }
    case PlistValue::Type::Array:
    case PlistValue::Type::Set:
    case PlistValue::Type::Dictionary:
        if (containsUid(raw))
            return decodeInlineContainer(raw);
        break;
    default:
        break;
    }
    charge(1);
    return raw;
}

PlistValue UnarchiveSession::decodeInlineContainer(const PlistValue &raw)
{
    // Inline nesting counts towards the same limit as object nesting: together they
    // decide how deep the decoded value is.
    if (m_depth >= PropertyList::maximumDepth) {
        fail(corrupt(
            QStringLiteral("values nested deeper than %1 levels").arg(PropertyList::maximumDepth)));
        return PlistValue();
    }
    ++m_depth;
    PlistValue value;
    if (raw.type() == PlistValue::Type::Dictionary) {
        PlistDictionary entries;
        const PlistDictionary &dictionary = raw.toDictionary();
        for (auto it = dictionary.cbegin(); it != dictionary.cend(); ++it)
            entries.insert(it.key(), decodeField(it.value()));
        value = PlistValue(entries);
    } else {
        PlistArray members;
        members.reserve(raw.toArray().size());
        for (const PlistValue &member : raw.toArray())
            members.append(decodeField(member));
        value
            = raw.type() == PlistValue::Type::Set ? PlistValue::set(members) : PlistValue(members);
    }
    --m_depth;
    return value;
}

const PlistValue *UnarchiveSession::decodeUid(quint64 uid)
{
    if (uid >= m_objectCount) {
        fail(corrupt(
            QStringLiteral("reference %1 is past the %2 objects").arg(uid).arg(m_objectCount)));
        return nullptr;
    }
    switch (m_states[uid]) {
    case State::Done:
        return &m_decoded[uid];
    case State::Reading:
        fail(corrupt(QStringLiteral("object %1 refers back to itself").arg(uid)));
        return nullptr;
    case State::Unread:
        break;
    }

    Result<StoredObject> stored = storedObject(uid);
    if (!stored) {
        fail(stored.error());
        return nullptr;
    }
    quint64 weight = 1;
    if (stored->isObject) {
        if (m_depth >= PropertyList::maximumDepth) {
            fail(corrupt(QStringLiteral("objects nested deeper than %1 levels")
                             .arg(PropertyList::maximumDepth)));
            return nullptr;
        }
        m_states[uid] = State::Reading;
        ++m_depth;
        const quint64 outerHandedOut = std::exchange(m_handedOut, 0);
        Result<PlistValue> decoded = decodeObject(uid, *stored);
        --m_depth;
        // A plain value is as large as everything it holds; an archived object is
        // handed out by identity and counts once.
        if (decoded && decoded->type() != PlistValue::Type::Object)
            weight = saturatingAdd(1, m_handedOut);
        m_handedOut = outerHandedOut;
        if (!decoded) {
            fail(decoded.error());
            return nullptr;
        }
        m_decoded[uid] = std::move(decoded).value();
    } else {
        m_decoded[uid] = std::move(stored->plain);
    }
    m_weights[uid] = weight;
    m_states[uid] = State::Done;
    return &m_decoded[uid];
}

Result<PlistValue> UnarchiveSession::decodeObject(quint64 uid, const StoredObject &stored)
{
    Result<const ClassInfo *> info = classInfo(stored.classUid);
    if (!info)
        return info.error();

    // Each archive object is decoded once, so what it holds (its fields and the
    // references in its inline arrays) bounds what honest archives hand out.
    quint64 size = quint64(stored.fields.size()) + 1;
    for (const ArchiveField &field : stored.fields)
        size += quint64(field.value.toArray().size());
    m_budget = saturatingAdd(m_budget, 64 * size);

    const quint64 outerObject = m_current;
    const QString outerClass = m_currentClass;
    m_current = uid;
    m_currentClass = (*info)->name;

    PlistValue value;
    if ((*info)->decoder) {
        ArchiveDecoder decoder(*this, stored.fields, (*info)->name, (*info)->chain);
        Result<PlistValue> decoded = (*info)->decoder(decoder);
        if (!decoded)
            fail(decoded.error());
        else
            value = std::move(decoded).value();
    } else {
        value = decodeGeneric(stored.fields, **info);
    }

    m_current = outerObject;
    m_currentClass = outerClass;
    if (failed())
        return error();
    return value;
}

Result<const UnarchiveSession::ClassInfo *> UnarchiveSession::classInfo(quint64 uid)
{
    auto found = m_classes.constFind(uid);
    if (found != m_classes.constEnd())
        return &found.value();
    if (uid == 0 || uid >= m_objectCount)
        return corrupt(QStringLiteral("class reference %1 is out of range").arg(uid));
    Result<PlistValue> stored = plainObject(uid);
    if (!stored)
        return stored.error();
    const PlistValue &description = *stored;
    const QString name = description.value(classNameKey).toString();
    if (name.isEmpty())
        return corrupt(QStringLiteral("object %1 is not a class description").arg(uid));
    ClassInfo info;
    info.name = name;
    const PlistValue classes = description.value(classesKey);
    for (const PlistValue &entry : classes.toArray()) {
        if (entry.type() != PlistValue::Type::String)
            return corrupt(QStringLiteral("the class list of %1 holds a %2")
                               .arg(name, PlistValue::typeName(entry.type())));
        info.chain.append(entry.toString());
    }
    if (info.chain.isEmpty() || info.chain.first() != name)
        info.chain.prepend(name);
    info.decoder = ArchiveCoderRegistry::instance().decoder(name);
    return &m_classes.insert(uid, std::move(info)).value();
}

PlistValue UnarchiveSession::decodeGeneric(
    std::span<const ArchiveField> fields, const ClassInfo &info)
{
    using Field = GenericArchivedObject::Field;
    QList<Field> decoded;
    decoded.reserve(qsizetype(fields.size()));
    // In key order, as a parsed dictionary gives them, whichever way the archive was read.
    std::vector<const ArchiveField *> sorted;
    sorted.reserve(fields.size());
    for (const ArchiveField &field : fields)
        sorted.push_back(&field);
    std::sort(sorted.begin(), sorted.end(),
        [](const ArchiveField *a, const ArchiveField *b) { return *a->key < *b->key; });
    for (const ArchiveField *entry : sorted) {
        const ArchiveField &stored = *entry;
        const PlistValue &raw = stored.value;
        Field field;
        field.key = *stored.key;
        if (raw.type() == PlistValue::Type::Uid) {
            field.kind = Field::Kind::Reference;
            field.value = decodeField(raw);
        } else if (raw.type() == PlistValue::Type::Array && !raw.toArray().isEmpty()
            && std::all_of(raw.toArray().cbegin(), raw.toArray().cend(),
                [](const PlistValue &m) { return m.type() == PlistValue::Type::Uid; })) {
            field.kind = Field::Kind::ReferenceArray;
            PlistArray members;
            members.reserve(raw.toArray().size());
            for (const PlistValue &member : raw.toArray())
                members.append(decodeField(member)); // nil stays in place as Invalid
            field.value = members;
        } else {
            field.value = decodeField(raw);
        }
        decoded.append(std::move(field));
    }
    return PlistValue(std::shared_ptr<ArchivedObject>(
        std::make_shared<GenericArchivedObject>(info.chain, std::move(decoded))));
}

// --- The stored form -------------------------------------------------------------------

std::vector<ArchiveField> &UnarchiveSession::fieldBuffer()
{
    // One list per nesting depth: an object's fields stay put while the objects it
    // refers to are decoded one level deeper.
    while (m_fieldBuffers.size() <= size_t(m_depth))
        m_fieldBuffers.emplace_back();
    std::vector<ArchiveField> &fields = m_fieldBuffers[size_t(m_depth)];
    fields.clear();
    return fields;
}

Result<UnarchiveSession::StoredObject> UnarchiveSession::storedObject(quint64 uid)
{
    return m_binary ? storedBinaryObject(uid) : storedValueObject(uid);
}

Result<UnarchiveSession::StoredObject> UnarchiveSession::storedValueObject(quint64 uid)
{
    const PlistValue &raw = m_objects.at(qsizetype(uid));
    StoredObject stored;
    switch (raw.type()) {
    case PlistValue::Type::Null:
    case PlistValue::Type::Bool:
    case PlistValue::Type::Integer:
    case PlistValue::Type::Real:
    case PlistValue::Type::Date:
    case PlistValue::Type::Data:
    case PlistValue::Type::String:
        stored.plain = raw;
        return stored;
    case PlistValue::Type::Dictionary:
        break;
    default:
        return corrupt(QStringLiteral("object %1 is a bare %2, which an archive does not hold")
                           .arg(uid)
                           .arg(PlistValue::typeName(raw.type())));
    }
    const PlistDictionary &dictionary = raw.toDictionary();
    std::vector<ArchiveField> &fields = fieldBuffer();
    fields.reserve(size_t(dictionary.size()));
    bool hasClass = false;
    for (auto it = dictionary.cbegin(); it != dictionary.cend(); ++it) {
        if (it.key() == classKey) {
            hasClass = it->type() == PlistValue::Type::Uid;
            stored.classUid = it->toUid().index;
        } else {
            fields.push_back({ &it.key(), it.value() });
        }
    }
    if (!hasClass)
        return corrupt(QStringLiteral("object %1 has no class").arg(uid));
    stored.isObject = true;
    stored.fields = fields;
    return stored;
}

Result<UnarchiveSession::StoredObject> UnarchiveSession::storedBinaryObject(quint64 uid)
{
    const BinaryPlistObjects &file = *m_binary;
    VIDARIUM_TRY(const quint64 index, file.member(m_objectsEntry, uid));
    VIDARIUM_TRY(const Entry entry, file.entry(index));
    StoredObject stored;
    switch (entry.kind) {
    case Entry::Kind::Dictionary:
        break;
    case Entry::Kind::Scalar: {
        VIDARIUM_TRY(stored.plain, file.scalar(index, entry));
        return stored;
    }
    default: {
        const PlistValue::Type type = entry.kind == Entry::Kind::Uid ? PlistValue::Type::Uid
            : entry.kind == Entry::Kind::Set                         ? PlistValue::Type::Set
                                                                     : PlistValue::Type::Array;
        return corrupt(QStringLiteral("object %1 is a bare %2, which an archive does not hold")
                           .arg(uid)
                           .arg(PlistValue::typeName(type)));
    }
    }

    std::vector<ArchiveField> &fields = fieldBuffer();
    fields.reserve(size_t(entry.count));
    const quint64 serial = ++m_fieldSerial;
    bool hasClass = false;
    for (quint64 i = 0; i < entry.count; ++i) {
        VIDARIUM_TRY(const quint64 keyIndex, file.member(entry, i));
        VIDARIUM_TRY(const int key, keyId(keyIndex));
        VIDARIUM_TRY(const quint64 valueIndex, file.member(entry, entry.count + i));
        VIDARIUM_TRY(PlistValue && value, binaryValue(valueIndex, m_depth));
        if (key == m_classKeyId) {
            hasClass = value.type() == PlistValue::Type::Uid;
            stored.classUid = value.toUid().index;
            continue;
        }
        // A key stored twice keeps its last value, as a parsed dictionary would.
        const size_t k = size_t(key);
        if (m_keyStamp[k] == serial) {
            fields[m_keyPosition[k]].value = std::move(value);
            continue;
        }
        m_keyStamp[k] = serial;
        m_keyPosition[k] = fields.size();
        fields.push_back(ArchiveField { &m_keyNames[k], std::move(value) });
    }
    if (!hasClass)
        return corrupt(QStringLiteral("object %1 has no class").arg(uid));
    stored.isObject = true;
    stored.fields = fields;
    return stored;
}

Result<PlistValue> UnarchiveSession::plainObject(quint64 uid)
{
    if (!m_binary)
        return m_objects.at(qsizetype(uid));
    VIDARIUM_TRY(const quint64 index, m_binary->member(m_objectsEntry, uid));
    return binaryValue(index, m_depth);
}

Result<int> UnarchiveSession::keyId(quint64 index)
{
    const qint32 known = m_keyIdOfObject[index];
    if (known >= 0)
        return int(known);
    VIDARIUM_TRY(const Entry entry, m_binary->entry(index));
    VIDARIUM_TRY(const PlistValue &key, m_binary->scalar(index, entry));
    if (key.type() != PlistValue::Type::String)
        return corruptArchive(QStringLiteral("a dictionary has a key that is a %1, not a string")
                                  .arg(PlistValue::typeName(key.type())));
    const int id = internKey(key.toString());
    m_keyIdOfObject[index] = id;
    return id;
}

int UnarchiveSession::internKey(const QString &key)
{
    const auto found = m_keyIds.constFind(key);
    if (found != m_keyIds.constEnd())
        return *found;
    const int id = int(m_keyNames.size());
    m_keyIds.insert(key, id);
    m_keyNames.push_back(key);
    m_keyStamp.push_back(0);
    m_keyPosition.push_back(0);
    if (key == classKey)
        m_classKeyId = id;
    return id;
}

// A value of the binary file spelled out in full: scalars, UIDs, and inline
// containers with their members.
Result<PlistValue> UnarchiveSession::binaryValue(quint64 index, int depth)
{
    if (m_inlineBudget == 0)
        return corruptArchive(
            QStringLiteral("its inline values would expand far beyond the size of the file"));
    --m_inlineBudget;
    VIDARIUM_TRY(const Entry entry, m_binary->entry(index));
    if (!entry.isContainer())
        return m_binary->scalar(index, entry);
    // Nesting bounds cycles too: a container that holds itself nests without end.
    if (depth >= PropertyList::maximumDepth)
        return corruptArchive(
            QStringLiteral("values nested deeper than %1 levels").arg(PropertyList::maximumDepth));
    return binaryContainer(entry, depth + 1);
}

Result<PlistValue> UnarchiveSession::binaryContainer(const Entry &entry, int depth)
{
    if (entry.kind == Entry::Kind::Dictionary) {
        PlistDictionary dictionary;
        for (quint64 i = 0; i < entry.count; ++i) {
            VIDARIUM_TRY(const quint64 keyIndex, m_binary->member(entry, i));
            VIDARIUM_TRY(const int key, keyId(keyIndex));
            VIDARIUM_TRY(const quint64 valueIndex, m_binary->member(entry, entry.count + i));
            VIDARIUM_TRY(PlistValue && value, binaryValue(valueIndex, depth));
            dictionary.insert(m_keyNames[size_t(key)], std::move(value));
        }
        return PlistValue(dictionary);
    }
    PlistArray members;
    members.reserve(qsizetype(std::min<quint64>(entry.count, m_inlineBudget)));
    for (quint64 i = 0; i < entry.count; ++i) {
        VIDARIUM_TRY(const quint64 memberIndex, m_binary->member(entry, i));
        VIDARIUM_TRY(PlistValue && member, binaryValue(memberIndex, depth));
        members.append(std::move(member));
    }
    return entry.kind == Entry::Kind::Set ? PlistValue::set(members) : PlistValue(members);
}

} // namespace vidarium
