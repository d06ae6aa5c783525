#pragma once

// The state of one unarchive: the archive's $objects, what has been decoded so far,
// and the first error. Shared by KeyedUnarchiver and the ArchiveDecoders it hands out;
// not for use elsewhere. A binary archive is read in place, object by object, with
// each object's fields in a flat list; an archive already parsed (XML, or values in
// hand) is read from its values.
// Threads: one session per call; never shared.

#include "platform/plist/archivecoderregistry.h"
#include "platform/plist/archivedecoder.h"
#include "platform/plist/binaryplistobjects.h"
#include "platform/plist/plistvalue.h"
#include "platform/result.h"

#include <QHash>

#include <deque>
#include <optional>
#include <vector>

namespace vidarium {

class UnarchiveSession
{
public:
    explicit UnarchiveSession(ArchiveDecodingContext *context = nullptr)
        : m_context(context)
    {
    }
    ArchiveDecodingContext *context() const { return m_context; }

    // Checks the archive's frame ("$objects", "$top") and sizes the tables.
    Result<void> open(const PlistValue &archive);
    // The same for the bytes of a binary property list, without parsing it whole.
    Result<void> openBinary(const QByteArray &bytes);
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
    // One $objects entry as stored: a plain value, or the fields of an object.
    struct StoredObject
    {
        bool isObject = false;
        PlistValue plain;
        quint64 classUid = 0;
        std::span<const ArchiveField> fields;
    };
    using Entry = BinaryPlistObjects::Entry;

    void sizeTables(quint64 count);
    // The decoded object `uid` (not 0), kept for whoever refers to it next; null after
    // a failure, whose error then waits in error().
    const PlistValue *decodeUid(quint64 uid);
    PlistValue decodeInlineContainer(const PlistValue &raw);
    Result<PlistValue> decodeObject(quint64 uid, const StoredObject &stored);
    Result<const ClassInfo *> classInfo(quint64 uid);
    PlistValue decodeGeneric(std::span<const ArchiveField> fields, const ClassInfo &info);
    // Bounds the total size of the values handed out, so that objects shared many
    // times over (a few kilobytes that expand to billions of nodes) are refused.
    bool charge(quint64 weight);

    // Reading the stored form, from values or from the binary file.
    Result<StoredObject> storedObject(quint64 uid);
    Result<StoredObject> storedValueObject(quint64 uid);
    Result<StoredObject> storedBinaryObject(quint64 uid);
    Result<PlistValue> plainObject(quint64 uid);
    std::vector<ArchiveField> &fieldBuffer();
    Result<int> keyId(quint64 index);
    int internKey(const QString &key);
    Result<PlistValue> binaryValue(quint64 index, int depth);
    Result<PlistValue> binaryContainer(const Entry &entry, int depth);

    ArchiveDecodingContext *m_context = nullptr;
    PlistArray m_objects; // parsed archives
    std::optional<BinaryPlistObjects> m_binary; // binary archives
    Entry m_objectsEntry;
    quint64 m_objectCount = 0;
    // Field keys of a binary archive: each distinct key string once, with an id.
    std::vector<qint32> m_keyIdOfObject; // by plist object; -1 not read yet
    QHash<QString, int> m_keyIds;
    std::deque<QString> m_keyNames; // fields point into it: it must not move
    std::vector<quint64> m_keyStamp; // the object whose fields last used the key
    std::vector<size_t> m_keyPosition; // and where in its field list
    quint64 m_fieldSerial = 0;
    int m_classKeyId = -1;
    quint64 m_inlineBudget = 0; // values a binary archive may still spell out inline
    std::deque<std::vector<ArchiveField>> m_fieldBuffers; // by nesting depth, reused

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
