#include "import/av/avimportprotocol.h"

#include "import/imagesheet.h"
#include "platform/filepath.h"

#include <QCborArray>
#include <QCborValue>
#include <QtEndian>

namespace vidarium::AVImportProtocol {

QCborMap propertiesRequest(const QString &path, int threads)
{
    QCborMap request;
    request.insert(Operation, PropertiesOperation);
    // CBOR text is UTF-8 and would lose the bytes of a name that is not: such a
    // path goes as the bytes the file system knows it by.
    if (hasUndecodableBytes(path))
        request.insert(Path, encodePath(path));
    else
        request.insert(Path, path);
    request.insert(Threads, threads);
    return request;
}

QString requestPath(const QCborMap &request)
{
    const QCborValue path = request.value(Path);
    return path.isByteArray() ? decodePath(path.toByteArray()) : path.toString();
}

QCborMap thumbnailRequest(const QString &path, double position, int threads)
{
    QCborMap request = propertiesRequest(path, threads);
    request.insert(Operation, ThumbnailOperation);
    request.insert(Position, position);
    return request;
}

QCborMap sheetRequest(
    const QString &path, const ImageSheet &sheet, const QList<double> &times, int threads)
{
    QCborMap request = propertiesRequest(path, threads);
    request.insert(Operation, SheetOperation);
    request.insert(Kind, sheet.kind() == ImageSheet::Kind::Storyboard ? 0 : 1);
    request.insert(Rows, sheet.rows());
    request.insert(Columns, sheet.columns());
    request.insert(FrameWide, sheet.frameWide());
    request.insert(FrameHigh, sheet.frameHigh());
    request.insert(Retina, sheet.retina());
    QCborArray list;
    for (double time : times)
        list.append(time);
    request.insert(Times, list);
    return request;
}

QCborMap failure(const QString &message)
{
    QCborMap answer;
    answer.insert(Ok, false);
    answer.insert(Message, message);
    return answer;
}

QCborMap success()
{
    QCborMap answer;
    answer.insert(Ok, true);
    return answer;
}

QByteArray frame(const QCborMap &message)
{
    const QByteArray body = message.toCborValue().toCbor();
    QByteArray framed(4, Qt::Uninitialized);
    qToBigEndian<quint32>(quint32(body.size()), framed.data());
    framed.append(body);
    return framed;
}

Result<qint64> messageLength(const char header[4])
{
    const qint64 length = qFromBigEndian<quint32>(header);
    if (length > MaxMessageSize)
        return Error(Error::Code::Corrupt,
            QStringLiteral("A message of %1 bytes is beyond the limit").arg(length));
    return length;
}

Result<QCborMap> parse(const QByteArray &body)
{
    QCborParserError error;
    const QCborValue value = QCborValue::fromCbor(body, &error);
    if (error.error != QCborError::NoError || !value.isMap())
        return Error(Error::Code::Corrupt, QStringLiteral("The message is not a CBOR map"));
    return value.toMap();
}

} // namespace vidarium::AVImportProtocol
