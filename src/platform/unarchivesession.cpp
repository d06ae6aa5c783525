#include "unarchivesession.h"

#include "platform/archivedecoder.h"
#include "platform/genericarchivedobject.h"
#include "platform/propertylist.h"

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
    case PlistValue::Type::Uid: return true;
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
    default: return false;
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
    const size_t count = size_t(m_objects.size());
    m_decoded.resize(count);
    m_weights.assign(count, 0);
    m_states.assign(count, State::Unread);
    // Grows with every object decoded (see decodeObject): generous for real catalogues,
    // whose values are each handed out about once, and still linear in the archive.
    m_budget = quint64(1) << 20;
    return {};
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
    return corruptArchive(QStringLiteral("object %1 (%2): %3").arg(m_current).arg(m_currentClass, what));
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
    case PlistValue::Type::Invalid: return PlistValue();
    case PlistValue::Type::Uid: {
        const quint64 uid = raw.toUid().index;
        Result<PlistValue> value = decodeUid(uid);
        if (!value) {
            fail(value.error());
            return PlistValue();
        }
        if (uid != 0 && !charge(m_weights[uid]))
            return PlistValue();
        return std::move(value).value();
    }
    case PlistValue::Type::Array:
    case PlistValue::Type::Set:
    case PlistValue::Type::Dictionary:
        if (containsUid(raw))
            return decodeInlineContainer(raw);
        break;
    default: break;
    }
    charge(1);
    return raw;
}

PlistValue UnarchiveSession::decodeInlineContainer(const PlistValue &raw)
{
    // Inline nesting counts towards the same limit as object nesting: together they
    // decide how deep the decoded value is.
    if (m_depth >= PropertyList::maximumDepth) {
        fail(corrupt(QStringLiteral("values nested deeper than %1 levels").arg(PropertyList::maximumDepth)));
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
        value = raw.type() == PlistValue::Type::Set ? PlistValue::set(members) : PlistValue(members);
    }
    --m_depth;
    return value;
}

Result<PlistValue> UnarchiveSession::decodeUid(quint64 uid)
{
    if (uid == 0)
        return PlistValue();
    if (uid >= m_decoded.size())
        return corrupt(QStringLiteral("reference %1 is past the %2 objects").arg(uid).arg(m_decoded.size()));
    switch (m_states[uid]) {
    case State::Done: return m_decoded[uid];
    case State::Reading:
        return corrupt(QStringLiteral("object %1 refers back to itself").arg(uid));
    case State::Unread: break;
    }

    const PlistValue &raw = m_objects.at(qsizetype(uid));
    PlistValue value;
    quint64 weight = 1;
    switch (raw.type()) {
    case PlistValue::Type::Null:
    case PlistValue::Type::Bool:
    case PlistValue::Type::Integer:
    case PlistValue::Type::Real:
    case PlistValue::Type::Date:
    case PlistValue::Type::Data:
    case PlistValue::Type::String:
        value = raw;
        break;
    case PlistValue::Type::Dictionary: {
        if (m_depth >= PropertyList::maximumDepth)
            return corrupt(QStringLiteral("objects nested deeper than %1 levels").arg(PropertyList::maximumDepth));
        m_states[uid] = State::Reading;
        ++m_depth;
        const quint64 outerHandedOut = std::exchange(m_handedOut, 0);
        Result<PlistValue> decoded = decodeObject(uid, raw);
        --m_depth;
        // A plain value is as large as everything it holds; an archived object is
        // handed out by identity and counts once.
        if (decoded && decoded->type() != PlistValue::Type::Object)
            weight = saturatingAdd(1, m_handedOut);
        m_handedOut = outerHandedOut;
        if (!decoded)
            return decoded;
        value = std::move(decoded).value();
        break;
    }
    default:
        return corrupt(QStringLiteral("object %1 is a bare %2, which an archive does not hold")
                           .arg(uid).arg(PlistValue::typeName(raw.type())));
    }
    m_decoded[uid] = value;
    m_weights[uid] = weight;
    m_states[uid] = State::Done;
    return value;
}

Result<PlistValue> UnarchiveSession::decodeObject(quint64 uid, const PlistValue &raw)
{
    const PlistDictionary &fields = raw.toDictionary();
    const PlistValue classReference = fields.value(classKey);
    if (classReference.type() != PlistValue::Type::Uid)
        return corrupt(QStringLiteral("object %1 has no class").arg(uid));
    Result<const ClassInfo *> info = classInfo(classReference.toUid().index);
    if (!info)
        return info.error();

    // Each archive object is decoded once, so what it holds (its fields and the
    // references in its inline arrays) bounds what honest archives hand out.
    quint64 size = quint64(fields.size());
    for (const PlistValue &field : fields)
        size += quint64(field.toArray().size());
    m_budget = saturatingAdd(m_budget, 64 * size);

    const quint64 outerObject = m_current;
    const QString outerClass = m_currentClass;
    m_current = uid;
    m_currentClass = (*info)->name;

    PlistValue value;
    if ((*info)->decoder) {
        ArchiveDecoder decoder(*this, fields, (*info)->name, (*info)->chain);
        Result<PlistValue> decoded = (*info)->decoder(decoder);
        if (!decoded)
            fail(decoded.error());
        else
            value = std::move(decoded).value();
    } else {
        value = decodeGeneric(fields, **info);
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
    if (uid == 0 || uid >= quint64(m_objects.size()))
        return corrupt(QStringLiteral("class reference %1 is out of range").arg(uid));
    const PlistValue &description = m_objects.at(qsizetype(uid));
    const QString name = description.value(classNameKey).toString();
    if (name.isEmpty())
        return corrupt(QStringLiteral("object %1 is not a class description").arg(uid));
    ClassInfo info;
    info.name = name;
    const PlistValue classes = description.value(classesKey);
    for (const PlistValue &entry : classes.toArray()) {
        if (entry.type() != PlistValue::Type::String)
            return corrupt(QStringLiteral("the class list of %1 holds a %2").arg(name, PlistValue::typeName(entry.type())));
        info.chain.append(entry.toString());
    }
    if (info.chain.isEmpty() || info.chain.first() != name)
        info.chain.prepend(name);
    info.decoder = ArchiveCoderRegistry::instance().decoder(name);
    return &m_classes.insert(uid, std::move(info)).value();
}

PlistValue UnarchiveSession::decodeGeneric(const PlistDictionary &fields, const ClassInfo &info)
{
    using Field = GenericArchivedObject::Field;
    QList<Field> decoded;
    decoded.reserve(fields.size());
    for (auto it = fields.cbegin(); it != fields.cend(); ++it) {
        if (it.key() == classKey)
            continue;
        const PlistValue &raw = it.value();
        Field field;
        field.key = it.key();
        if (raw.type() == PlistValue::Type::Uid) {
            field.kind = Field::Kind::Reference;
            field.value = decodeField(raw);
        } else if (raw.type() == PlistValue::Type::Array && !raw.toArray().isEmpty()
                   && std::all_of(raw.toArray().cbegin(), raw.toArray().cend(), [](const PlistValue &m) {
                          return m.type() == PlistValue::Type::Uid;
                      })) {
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

} // namespace vidarium
