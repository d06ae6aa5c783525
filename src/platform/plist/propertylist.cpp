#include "propertylist.h"

#include "platform/plist/binaryplistreader.h"
#include "platform/plist/binaryplistwriter.h"
#include "platform/plist/xmlplistreader.h"
#include "platform/plist/xmlplistwriter.h"

#include "platform/regularfile.h"

namespace vidarium {

namespace {
// Well past any catalogue (100,000 elements take tens of megabytes), and far below
// what would exhaust memory once decoded.
constexpr qint64 maximumFileSize = qint64(1) << 30;
} // namespace

Result<PlistValue> PropertyList::read(const QByteArray &bytes)
{
    if (BinaryPlistReader::hasSignature(bytes))
        return BinaryPlistReader::read(bytes);
    if (XmlPlistReader::looksLikeXml(bytes))
        return XmlPlistReader::read(bytes);
    if (bytes.isEmpty())
        return Error(Error::Code::Corrupt, QStringLiteral("the property list is empty"));
    return Error(
        Error::Code::Unsupported, QStringLiteral("not a property list (neither binary nor XML)"));
}

Result<PlistValue> PropertyList::readFile(const QString &path)
{
    // The size a device or FIFO reports says nothing of what reading it yields.
    const Result<QByteArray> bytes = RegularFile::read(path, maximumFileSize);
    if (!bytes)
        return bytes.error();
    Result<PlistValue> value = read(*bytes);
    if (!value)
        return value.error().withContext(path);
    return value;
}

QByteArray PropertyList::writeBinary(const PlistValue &value)
{
    BinaryPlistWriter writer;
    const BinaryPlistWriter::Ref top = writer.addValue(value);
    if (top == BinaryPlistWriter::noRef)
        return QByteArray();
    return writer.finish(top);
}

QByteArray PropertyList::writeXml(const PlistValue &value)
{
    return XmlPlistWriter::write(value);
}

QByteArray PropertyList::write(const PlistValue &value, Format format)
{
    return format == Format::Binary ? writeBinary(value) : writeXml(value);
}

} // namespace vidarium
