#pragma once

// The state of one unarchive: the archive's $objects, what has been decoded so far,
// and the first error. Shared by KeyedUnarchiver and the ArchiveDecoders it hands out;
// not for use elsewhere.
// Threads: one session per call; never shared.

#include "platform/archivecoderregistry.h"
#include "platform/plistvalue.h"
#include "platform/result.h"

#include <QHash>

#include <optional>
#include <vector>

namespace vidarium {

class UnarchiveSession
{
public:
    // Checks the archive's frame ("$objects", "$top") and sizes the tables.
    Result<void> open(const PlistValue &archive);
    const PlistDictionary &top() const { return m_top; }

    // The top-level entry under `key` (a UID), decoded.
    Result<PlistValue> decodeTop(const QString &key);

    // A field value of an object: a UID is decoded (nil gives Invalid), an inline value
    // comes back as it is, with any UIDs inside it decoded. After a failure every call
    // answers Invalid and the error waits in error().
    PlistValue decodeField(const PlistValue &raw);

    void fail(const Error &error);
    bool failed() const { return m_error.has_value(); }
    const Error &error() const { return *m_error; }

    // "object 12 (MediaElement): <what>" for the object being decoded.
    Error corrupt(const QString &what) const;

private:
    struct ClassInfo
    {
        QString name;
        QStringList chain;
        ArchiveCoderRegistry::Decoder decoder; // empty: keep as a generic object
    };
    enum class State : quint8 { Unread, Reading, Done };

    Result<PlistValue> decodeUid(quint64 uid);
    PlistValue decodeInlineContainer(const PlistValue &raw);
    Result<PlistValue> decodeObject(quint64 uid, const PlistValue &raw);
    Result<const ClassInfo *> classInfo(quint64 uid);
    PlistValue decodeGeneric(const PlistDictionary &fields, const ClassInfo &info);
    // Bounds the total size of the values handed out, so that objects shared many
    // times over (a few kilobytes that expand to billions of nodes) are refused.
    bool charge(quint64 weight);

    PlistArray m_objects;
    PlistDictionary m_top;
    std::vector<PlistValue> m_decoded;
    std::vector<quint64> m_weights;
    std::vector<State> m_states;
    QHash<quint64, ClassInfo> m_classes;
    std::optional<Error> m_error;
    quint64 m_budget = 0;
    quint64 m_handedOut = 0; // weight handed out while decoding the current object
    quint64 m_current = 0; // the object being decoded, for messages
    QString m_currentClass;
    int m_depth = 0;
};

} // namespace vidarium
