#pragma once

// The object table of a binary property list ("bplist00"), read in place: one object
// at a time, by index, without building the whole tree. The full reader and the keyed
// unarchiver both stand on it, so every check of offsets, counts and markers lives
// here once. Nothing in the file is trusted; each access is bounds-checked.
// Threads: immutable once opened; any thread.

#include "platform/plist/plistvalue.h"
#include "platform/result.h"

#include <QByteArray>

namespace vidarium {

class BinaryPlistObjects
{
public:
    // What one object is, and for containers where its member references start.
    struct Entry
    {
        enum class Kind : quint8 { Scalar, Uid, Array, Set, Dictionary };
        Kind kind = Kind::Scalar;
        quint64 count = 0; // containers: members (key-value pairs for dictionaries)
        quint64 position = 0; // containers: the first member reference; scalars: the marker
        quint64 uid = 0; // UIDs: the reference

        bool isContainer() const { return kind >= Kind::Array; }
    };

    // Checks the header, the trailer and the offset table. The bytes are shared, not copied.
    Result<void> open(const QByteArray &bytes);

    quint64 count() const { return m_objectCount; }
    quint64 topObject() const { return m_topObject; }
    quint64 size() const { return m_size; }

    Result<Entry> entry(quint64 index) const;
    // Member `i` of an array or set; for a dictionary, keys are members 0 to count-1 and
    // values follow them. Always an index below count(): checked here.
    Result<quint64> member(const Entry &container, quint64 i) const;
    // The value of a non-container entry (UIDs included).
    Result<PlistValue> scalar(quint64 index, const Entry &entry) const;

private:
    quint64 available(quint64 offset) const
    {
        return offset < m_objectLimit ? m_objectLimit - offset : 0;
    }
    Result<quint64> length(quint64 index, int low, quint64 &position, quint64 unitSize) const;
    Result<PlistValue> integer(quint64 index, int low, quint64 position) const;
    double realAt(quint64 position) const;

    QByteArray m_bytes;
    const quint8 *m_data = nullptr;
    quint64 m_size = 0;
    int m_offsetSize = 0;
    int m_refSize = 0;
    quint64 m_objectCount = 0;
    quint64 m_topObject = 0;
    const quint8 *m_offsetTable = nullptr;
    quint64 m_objectLimit = 0;
};

} // namespace vidarium
