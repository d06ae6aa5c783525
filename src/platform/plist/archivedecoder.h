#pragma once

// What a registered decoder reads one archived object's fields from. References are
// resolved and decoded on demand (the nil reference gives Invalid); scalars are read
// leniently (an int where a double was expected is fine). When a referenced object
// cannot be decoded, decodeObject returns Invalid and the whole unarchive fails with
// that error once the decoder returns, so decoders need not check every call.
// Threads: used only inside one decoder call.

#include "platform/plist/plistvalue.h"
#include "platform/result.h"

#include <QString>
#include <QStringList>

#include <span>

namespace vidarium {

class UnarchiveSession; // unarchivesession.h

// What the caller of one unarchive lends the decoders of its classes: state they
// share between the objects of that archive, or work they leave for afterwards.
// Decoders reach it through ArchiveDecoder::context() and check that it is theirs.
class ArchiveDecodingContext
{
public:
    virtual ~ArchiveDecodingContext() = default;
};

// One field of an archived object as stored: references are PlistUid values. The
// key belongs to the session, which keeps one copy of each key string.
struct ArchiveField
{
    const QString *key;
    PlistValue value;
};

class ArchiveDecoder
{
public:
    // `fields` without "$class", each key once.
    ArchiveDecoder(UnarchiveSession &session, std::span<const ArchiveField> fields,
        const QString &className, const QStringList &classChain);

    const QString &className() const { return m_className; }
    const QStringList &classChain() const { return m_classChain; }

    bool containsKey(const QString &key) const;
    // The field names, without "$class", sorted.
    QStringList keys() const;

    PlistValue decodeObject(const QString &key);
    // An inline array of references (NS.objects); members that are nil are left out.
    PlistArray decodeObjectArray(const QString &key);
    qint64 decodeInt(const QString &key) const;
    bool decodeBool(const QString &key) const;
    double decodeDouble(const QString &key) const;
    // The field as stored: references stay PlistUid values. Invalid when missing.
    const PlistValue &rawValue(const QString &key) const;

    // Decoders may also fail on their own; the message names the class and object.
    Error corrupt(const QString &what) const;
    bool hasFailed() const;

    // The context the unarchive was given; null when none was.
    ArchiveDecodingContext *context() const;

private:
    const ArchiveField *find(const QString &key) const;

    UnarchiveSession &m_session;
    std::span<const ArchiveField> m_fields;
    // Decoders read fields in about the order they were written, so each search
    // starts at the field found last and mostly succeeds at once.
    mutable size_t m_next = 0;
    const QString &m_className;
    const QStringList &m_classChain;
};

} // namespace vidarium
