#include "propertylist.h"

#include "platform/plist/binaryplistreader.h"
#include "platform/plist/binaryplistwriter.h"
#include "platform/plist/xmlplistreader.h"
#include "platform/plist/xmlplistwriter.h"

#include <QFile>

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
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        const Error::Code code = file.exists() ? Error::Code::Io : Error::Code::NotFound;
        return Error(code, QStringLiteral("cannot open %1: %2").arg(path, file.errorString()));
    }
    if (file.size() > maximumFileSize)
        return Error(Error::Code::Unsupported,
            QStringLiteral("%1 is too large for a property list (%2 bytes)")
                .arg(path)
                .arg(file.size()));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return Error(
            Error::Code::Io, QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
    Result<PlistValue> value = read(bytes);
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
