#pragma once

// The exchange between the in-process importer and its decode helpers: one
// request per import step (the file, the time or times, the frame size), one
// answer (the properties, or the finished JPEG bytes). Messages are CBOR maps,
// each preceded by its length as four big-endian bytes.
// Threads: pure functions.

#include "platform/result.h"

#include <QByteArray>
#include <QCborMap>
#include <QList>
#include <QString>

namespace vidarium {

class ImageSheet;

namespace AVImportProtocol {

// Larger messages are refused: no answer of ours comes near it, so a length
// beyond it means the stream is garbage.
constexpr qint64 MaxMessageSize = 64 * 1024 * 1024;

// Request and answer keys.
inline const QString Operation = QStringLiteral("op");
inline const QString Path = QStringLiteral("path");
inline const QString Threads = QStringLiteral("threads");
inline const QString Position = QStringLiteral("position");
inline const QString Times = QStringLiteral("times");
inline const QString Kind = QStringLiteral("kind");
inline const QString Rows = QStringLiteral("rows");
inline const QString Columns = QStringLiteral("columns");
inline const QString FrameWide = QStringLiteral("frameWide");
inline const QString FrameHigh = QStringLiteral("frameHigh");
inline const QString Retina = QStringLiteral("retina");
inline const QString Ok = QStringLiteral("ok");
inline const QString Message = QStringLiteral("message");
inline const QString Jpeg = QStringLiteral("jpeg");
inline const QString HasVideo = QStringLiteral("hasVideo");
inline const QString Duration = QStringLiteral("duration");
inline const QString PixelsWide = QStringLiteral("pixelsWide");
inline const QString PixelsHigh = QStringLiteral("pixelsHigh");
inline const QString FrameRate = QStringLiteral("frameRate");
inline const QString VideoCodec = QStringLiteral("videoCodec");
inline const QString AudioCodec = QStringLiteral("audioCodec");

// Operations.
inline const QString PropertiesOperation = QStringLiteral("properties");
inline const QString ThumbnailOperation = QStringLiteral("thumbnail");
inline const QString SheetOperation = QStringLiteral("sheet");
// Honoured only by a helper started to allow them: they let tests show that a
// helper that dies or stops answering costs one failed step and nothing more.
inline const QString CrashOperation = QStringLiteral("crash");
inline const QString HangOperation = QStringLiteral("hang");

QCborMap propertiesRequest(const QString &path, int threads);
// position is a fraction of the duration, which only the helper learns.
// The file a request names, sent as text or, when not UTF-8, as bytes.
QString requestPath(const QCborMap &request);
QCborMap thumbnailRequest(const QString &path, double position, int threads);
QCborMap sheetRequest(
    const QString &path, const ImageSheet &sheet, const QList<double> &times, int threads);

// The answers a helper gives.
QCborMap failure(const QString &message);
QCborMap success();

// The message with its length in front, ready to write.
QByteArray frame(const QCborMap &message);
// The length announced by a four-byte header; an Error for one out of range.
Result<qint64> messageLength(const char header[4]);
// A message body back into a map; an Error for bytes that are not one.
Result<QCborMap> parse(const QByteArray &body);

} // namespace AVImportProtocol
} // namespace vidarium
