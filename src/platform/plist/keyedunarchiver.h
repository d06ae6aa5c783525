#pragma once

// Reads a keyed archive (binary or XML) back into values. Plain values come back as
// PlistValues, registered classes through their decoders, unknown classes as
// GenericArchivedObjects. One archive object decodes to one value, so an object
// referenced from many places stays one shared_ptr. Reference cycles, runaway nesting
// and references out of range are refused with an Error.
// Threads: any thread, once the decoders it needs are registered.

#include "platform/plist/archivedecoder.h"
#include "platform/plist/plistvalue.h"
#include "platform/result.h"

#include <QByteArray>

namespace vidarium {

class KeyedUnarchiver
{
public:
    static inline const QString rootKey = QStringLiteral("root");

    // The object under "root" (or `key`) of "$top". The decoders of the archive's
    // classes see `context`, which must outlive the call.
    static Result<PlistValue> unarchive(const QByteArray &data, const QString &key = rootKey,
        ArchiveDecodingContext *context = nullptr);
    static Result<PlistValue> unarchive(const PlistValue &archive, const QString &key = rootKey,
        ArchiveDecodingContext *context = nullptr);
    // Every object of "$top", decoded.
    static Result<PlistDictionary> unarchiveTopObjects(const PlistValue &archive);

    // Has the frame of a keyed archive ("$archiver", "$objects", "$top").
    static bool isKeyedArchive(const PlistValue &plist);
};

} // namespace vidarium
