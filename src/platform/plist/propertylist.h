#pragma once

// Reading and writing whole property lists: binary ("bplist00") and XML. The entry
// point for anyone holding the bytes of a plist; it picks the reader by the header.
// Threads: stateless; any thread.

#include "platform/plist/plistvalue.h"
#include "platform/result.h"

#include <QByteArray>

namespace vidarium {

class PropertyList
{
public:
    enum class Format { Binary, Xml };

    // Nesting deeper than this is refused by both readers and by the unarchiver:
    // no catalogue comes near it, and it keeps hostile files off the stack.
    static constexpr int maximumDepth = 256;

    // Binary or XML, told apart by the first bytes. A file that is neither, or that
    // is damaged anywhere, gives an Error with code Corrupt or Unsupported.
    static Result<PlistValue> read(const QByteArray &bytes);
    static Result<PlistValue> readFile(const QString &path);

    // An empty result means the value has no property-list form: it is Invalid or
    // holds an archived object (archive those with KeyedArchiver instead).
    static QByteArray writeBinary(const PlistValue &value);
    // XML also has no form for the null marker (empty result); sets are written as
    // arrays, which is how every XML reader would take them anyway. Dates keep
    // whole seconds, as the XML date form does.
    static QByteArray writeXml(const PlistValue &value);
    static QByteArray write(const PlistValue &value, Format format);
};

} // namespace vidarium
