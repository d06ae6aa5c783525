#pragma once

// What a registered decoder reads one archived object's fields from. References are
// resolved and decoded on demand (the nil reference gives Invalid); scalars are read
// leniently (an int where a double was expected is fine). When a referenced object
// cannot be decoded, decodeObject returns Invalid and the whole unarchive fails with
// that error once the decoder returns, so decoders need not check every call.
// Threads: used only inside one decoder call.

#include "platform/plistvalue.h"
#include "platform/result.h"

#include <QString>
#include <QStringList>

namespace vidarium {

class UnarchiveSession; // keyedunarchiver.cpp

class ArchiveDecoder
{
public:
    ArchiveDecoder(UnarchiveSession &session, const PlistDictionary &fields,
                   const QString &className, const QStringList &classChain);

    const QString &className() const { return m_className; }
    const QStringList &classChain() const { return m_classChain; }

    bool containsKey(const QString &key) const;
    // The field names, without "$class".
    QStringList keys() const;

    PlistValue decodeObject(const QString &key);
    // An inline array of references (NS.objects); members that are nil are left out.
    PlistArray decodeObjectArray(const QString &key);
    qint64 decodeInt(const QString &key) const;
    bool decodeBool(const QString &key) const;
    double decodeDouble(const QString &key) const;
    // The field as stored: references stay PlistUid values.
    PlistValue rawValue(const QString &key) const;

    // Decoders may also fail on their own; the message names the class and object.
    Error corrupt(const QString &what) const;
    bool hasFailed() const;

private:
    UnarchiveSession &m_session;
    const PlistDictionary &m_fields;
    const QString &m_className;
    const QStringList &m_classChain;
};

} // namespace vidarium
