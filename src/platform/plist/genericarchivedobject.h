#pragma once

// An archived object of a class that has no registered decoder. It keeps the class
// chain and every field exactly as found (inline scalars stay inline, references stay
// references), so a catalogue holding one is written back without losing anything.
// Threads: immutable once shared.

#include "platform/plist/archivedobject.h"
#include "platform/plist/plistvalue.h"

#include <QList>

namespace vidarium {

class GenericArchivedObject : public ArchivedObject
{
public:
    struct Field
    {
        enum class Kind {
            Inline, // stored in the object's own dictionary (an int, a bool, raw bytes)
            Reference, // a UID; value is the referenced object, decoded
            ReferenceArray, // an inline array of UIDs (NS.objects style); value is an Array
        };
        QString key;
        PlistValue value;
        Kind kind = Kind::Inline;
    };

    explicit GenericArchivedObject(QStringList classChain, QList<Field> fields = {});

    QString className() const override;
    QStringList classChain() const override { return m_classChain; }
    void encode(ArchiveEncoder &encoder) const override;

    const QList<Field> &fields() const { return m_fields; }
    // The field's value (decoded for references); Invalid when the key is missing.
    PlistValue field(const QString &key) const;
    bool containsField(const QString &key) const;

private:
    QStringList m_classChain;
    QList<Field> m_fields;
};

} // namespace vidarium
