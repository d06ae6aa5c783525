#include "document/tabdelimitedexport.h"

#include "document/tmcsvparser.h"
#include "model/definitions.h"
#include "model/medialibrary.h"
#include "model/mediauserfield.h"

#include <QDateTime>
#include <QSaveFile>

#include <algorithm>
#include <cmath>

namespace vidarium {

const QStringList &TabDelimitedExport::propertyKeys()
{
    static const QStringList keys = {
        QStringLiteral("name"),         QStringLiteral("extension"),    QStringLiteral("path"),
        QStringLiteral("size"),         QStringLiteral("duration"),     QStringLiteral("resolution"),
        QStringLiteral("frameRate"),    QStringLiteral("videoCodec"),   QStringLiteral("audioCodec"),
        QStringLiteral("creationDate"), QStringLiteral("modifiedDate"), QStringLiteral("importedDate"),
        QStringLiteral("playCount"),    QStringLiteral("rating"),       QStringLiteral("userComments"),
    };
    return keys;
}

QString TabDelimitedExport::tabDelimitedHeader(const MediaLibrary &library)
{
    return tabDelimitedHeader(library, Definitions::shared());
}

QString TabDelimitedExport::tabDelimitedHeader(const MediaLibrary &library,
                                               const Definitions &definitions)
{
    QStringList columns;
    for (const QString &key : propertyKeys()) {
        const QString label = definitions.propertyDefinition(key).label;
        columns.append(flattened(label.isEmpty() ? key : label));
    }
    for (const MediaUserFieldPtr &field : library.activeUserFields())
        columns.append(flattened(field->name()));
    return columns.join(QLatin1Char('\t'));
}

QStringList TabDelimitedExport::activeFieldIdentifiers(const MediaLibrary &library)
{
    QStringList identifiers;
    for (const MediaUserFieldPtr &field : library.activeUserFields())
        identifiers.append(field->identifier());
    return identifiers;
}

QString TabDelimitedExport::tabDelimitedRepresentation(const MediaElement &element)
{
    const MediaLibrary *library = element.library();
    return row(element, library ? activeFieldIdentifiers(*library) : QStringList());
}

QString TabDelimitedExport::row(const MediaElement &element, const QStringList &fieldIdentifiers)
{
    QStringList columns = {
        element.name(),
        element.extension(),
        element.path(),
        QString::number(element.size()),
        numberText(element.duration()),
        element.resolution(),
        numberText(element.frameRate()),
        element.videoCodec(),
        element.audioCodec(),
        dateText(element.creationDate()),
        dateText(element.modifiedDate()),
        dateText(element.importedDate()),
        QString::number(element.playCount()),
        QString::number(element.rating()),
        element.userComments(),
    };
    for (const QString &identifier : fieldIdentifiers) {
        const PlistValue value = element.valueForUndefinedKey(identifier);
        switch (value.type()) {
        case PlistValue::Type::String:
            columns.append(value.toString());
            break;
        case PlistValue::Type::Integer:
            columns.append(QString::number(value.toInteger()));
            break;
        case PlistValue::Type::Real:
            columns.append(numberText(value.toDouble(), value.isFloat32()));
            break;
        default:
            columns.append(QStringLiteral(" "));
            break;
        }
    }
    for (QString &column : columns)
        column = flattened(column);
    return columns.join(QLatin1Char('\t'));
}

QString TabDelimitedExport::text(const MediaLibrary &library, const MediaElementList &elements)
{
    const QStringList fieldIdentifiers = activeFieldIdentifiers(library);
    QStringList lines;
    lines.reserve(elements.size() + 1);
    lines.append(tabDelimitedHeader(library));
    for (const MediaElementPtr &element : elements)
        lines.append(row(*element, fieldIdentifiers));
    return lines.join(QLatin1Char('\n'));
}

Result<void> TabDelimitedExport::writeFile(const QString &path, const QString &text)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return Error(Error::Code::Io, QStringLiteral("Cannot write %1: %2").arg(path, file.errorString()));
    QByteArray bytes;
    bytes.reserve(2 + text.size() * 2);
    bytes.append("\xFF\xFE", 2);
    for (QChar c : text) {
        const char16_t unit = c.unicode();
        bytes.append(char(unit & 0xFF));
        bytes.append(char(unit >> 8));
    }
    if (file.write(bytes) != bytes.size() || !file.commit())
        return Error(Error::Code::Io, QStringLiteral("Cannot write %1: %2").arg(path, file.errorString()));
    return {};
}

QString TabDelimitedExport::numberText(double value, bool singlePrecision)
{
    if (!std::isfinite(value))
        return QString::number(value);
    if (value == std::trunc(value) && std::fabs(value) < 1e18)
        return QString::number(qint64(value));
    const int significant = singlePrecision ? 7 : 16;
    // Round to the significant digits first, then write without an exponent.
    const double rounded = QString::number(value, 'g', significant).toDouble();
    const int magnitude = int(std::floor(std::log10(std::fabs(rounded))));
    const int decimals = std::max(0, significant - 1 - magnitude);
    QString text = QString::number(rounded, 'f', decimals);
    if (text.contains(QLatin1Char('.'))) {
        while (text.endsWith(QLatin1Char('0')))
            text.chop(1);
        if (text.endsWith(QLatin1Char('.')))
            text.chop(1);
    }
    return text;
}

QString TabDelimitedExport::dateText(const PlistDate &date)
{
    return date.toDateTime().toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) + QStringLiteral(" +0000");
}

QString TabDelimitedExport::flattened(const QString &value)
{
    const auto breaksColumns = [](QChar c) {
        return c == QLatin1Char('\t') || TMCSVParser::isLineBreak(c.unicode());
    };
    if (std::none_of(value.cbegin(), value.cend(), breaksColumns))
        return value;
    QString result = value;
    std::replace_if(result.begin(), result.end(), breaksColumns, QLatin1Char(' '));
    return result;
}

} // namespace vidarium
