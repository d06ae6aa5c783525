#pragma once

// Any object of a keyed archive that is not a plain property-list value: the model's
// own classes, sort descriptors, predicates, and objects of classes nobody registered.
// PlistValue holds them as std::shared_ptr<ArchivedObject>; the same pointer written
// twice is archived once, and one archive object decodes to one pointer.
// Threads: immutable once shared, unless a subclass says otherwise.

#include <QString>
#include <QStringList>

namespace vidarium {

class ArchiveEncoder;

class ArchivedObject
{
public:
    virtual ~ArchivedObject() = default;

    // The name recorded as "$classname".
    virtual QString className() const = 0;
    // The "$classes" list: the class name first, then its superclasses up to NSObject.
    // The default is the class name followed by "NSObject".
    virtual QStringList classChain() const;
    // Writes the object's fields, in the order the stored form wants them.
    virtual void encode(ArchiveEncoder &encoder) const = 0;
};

} // namespace vidarium
