#pragma once

// Decoders of archived objects by class name ("$classname"). The platform's value
// classes (NSString, NSNumber, NSDate, NSData, NSNull, NSArray, NSDictionary, NSSet,
// their mutable forms, and NSSortDescriptor) are built in; the model registers its
// own classes at start. An archive object whose class has no decoder becomes a
// GenericArchivedObject.
// Threads: register before reading archives on other threads; lookups are locked.

#include "platform/plist/plistvalue.h"
#include "platform/result.h"

#include <QHash>
#include <QReadWriteLock>
#include <QString>

#include <functional>

namespace vidarium {

class ArchiveDecoder;

class ArchiveCoderRegistry
{
public:
    using Decoder = std::function<Result<PlistValue>(ArchiveDecoder &)>;

    static ArchiveCoderRegistry &instance();

    // Replaces any decoder registered under the same name.
    void registerDecoder(const QString &className, Decoder decoder);
    // An empty function when none is registered.
    Decoder decoder(const QString &className) const;
    bool hasDecoder(const QString &className) const;

private:
    ArchiveCoderRegistry();
    void registerFoundationDecoders();

    mutable QReadWriteLock m_lock;
    QHash<QString, Decoder> m_decoders; // guarded by m_lock
};

} // namespace vidarium
