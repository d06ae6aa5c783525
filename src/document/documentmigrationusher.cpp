#include "document/documentmigrationusher.h"

#include "model/applicationsettings.h"
#include "model/medialibrary.h"
#include "model/mediauserfield.h"
#include "model/mediauserkeyword.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QStringDecoder>

namespace vidarium {

namespace {

const QString NameKey = QStringLiteral("name");
const QString PathKey = QStringLiteral("path");
const QString RatingKey = QStringLiteral("rating");
const QString CommentsKey = QStringLiteral("userComments");
const QString TagsKey = QStringLiteral("Tags");
const QString KeywordsKey = QStringLiteral("userKeywords");
const QString TagSeparator = QStringLiteral("; ");

QStringList splitLines(const QString &text)
{
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (TMCSVParser::isLineBreak(text.at(i).unicode())) {
            lines.append(text.mid(start, i - start));
            start = i + 1;
        }
    }
    lines.append(text.mid(start));
    return lines;
}

// A leading tilde is the home folder; "." and ".." components and doubled
// separators go.
QString standardizedPath(const QString &path)
{
    QString expanded = path;
    if (path == QLatin1String("~") || path.startsWith(QLatin1String("~/")))
        expanded = QDir::homePath() + path.mid(1);
    return expanded.isEmpty() ? expanded : QDir::cleanPath(expanded);
}

// The integer at the start of the text ("4 stars" is 4), 0 when there is none.
int leadingInteger(const QString &text)
{
    qsizetype i = 0;
    while (i < text.size() && text.at(i).isSpace())
        ++i;
    bool negative = false;
    if (i < text.size() && (text.at(i) == QLatin1Char('-') || text.at(i) == QLatin1Char('+')))
        negative = text.at(i++) == QLatin1Char('-');
    qint64 value = 0;
    for (; i < text.size() && text.at(i) >= QLatin1Char('0') && text.at(i) <= QLatin1Char('9'); ++i)
        value = std::min<qint64>(value * 10 + (text.at(i).unicode() - u'0'), 1'000'000);
    return int(negative ? -value : value);
}

} // namespace

DocumentMigrationUsher::DocumentMigrationUsher(MediaLibrary &library)
    : m_library(library)
{
}

Result<void> DocumentMigrationUsher::readFromFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Error(
            Error::Code::Io, QStringLiteral("Cannot read “%1”: %2").arg(path, file.errorString()));
    return readFromData(file.readAll());
}

Result<void> DocumentMigrationUsher::readFromData(const QByteArray &data)
{
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder(data);
    if (decoder.hasError())
        return Error(Error::Code::Corrupt, QStringLiteral("The Usher export is not UTF-8 text."));

    QStringList lines = splitLines(text);
    lines.removeIf([](const QString &line) { return line.isEmpty(); });
    if (lines.size() < 2)
        return Error(Error::Code::Corrupt, QStringLiteral("The Usher export holds no videos."));

    m_readingHeader = true;
    parseLine(lines.first());
    if (m_keys.isEmpty())
        return Error(Error::Code::Corrupt,
            QStringLiteral("The first line of the Usher export does not name the columns "
                           "Name, Location and Rating."));
    m_readingHeader = false;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        m_lineEnded = false;
        parseLine(lines.at(i));
        if (!m_lineEnded)
            ++m_skippedLines; // a CSV syntax error
    }
    if (m_skippedLines > 0)
        ApplicationSettings::logConsoleMessage(
            QStringLiteral("Usher export: skipped %1 lines that do not fit the header")
                .arg(m_skippedLines));
    if (!m_elements.isEmpty())
        m_library.queueElements(m_elements);
    return {};
}

void DocumentMigrationUsher::parseLine(const QString &line)
{
    std::unique_ptr<TMCSVParser> parser = TMCSVParser::fromCSVString(line);
    parser->setSanitizesFields(true);
    parser->setDelegate(this);
    parser->parse();
}

bool DocumentMigrationUsher::validateUsherFields(const QStringList &fields)
{
    return fields.contains(QLatin1String("Name")) && fields.contains(QLatin1String("Location"))
        && fields.contains(QLatin1String("Rating"));
}

QString DocumentMigrationUsher::keyForFieldName(const QString &name)
{
    static const QHash<QString, QString> known = {
        { QStringLiteral("Name"), NameKey },
        { QStringLiteral("Location"), PathKey },
        { QStringLiteral("Rating"), RatingKey },
        { QStringLiteral("Notes"), CommentsKey },
        { QStringLiteral("Tags"), TagsKey },
    };
    const auto it = known.constFind(name);
    if (it != known.constEnd())
        return *it;
    return m_library.createFieldWithName(name)->identifier();
}

QStringList DocumentMigrationUsher::keywordIdentifiersForTagString(const QString &tags)
{
    QStringList identifiers;
    for (const QString &tag : tags.split(TagSeparator, Qt::SkipEmptyParts)) {
        QString identifier = m_tags.value(tag);
        if (identifier.isEmpty()) {
            identifier = m_library.createKeywordWithName(tag)->identifier();
            m_tags.insert(tag, identifier);
        }
        if (!identifiers.contains(identifier))
            identifiers.append(identifier);
    }
    return identifiers;
}

void DocumentMigrationUsher::parserDidBeginDocument(TMCSVParser &)
{
    m_fields.clear();
}

void DocumentMigrationUsher::parserDidReadField(TMCSVParser &, const QString &field, int)
{
    m_fields.append(field);
}

void DocumentMigrationUsher::parserDidEndDocument(TMCSVParser &)
{
    m_lineEnded = true;
    if (m_readingHeader)
        readHeader();
    else
        readDataLine();
}

void DocumentMigrationUsher::readHeader()
{
    if (!validateUsherFields(m_fields))
        return;
    for (const QString &name : std::as_const(m_fields))
        m_keys.append(keyForFieldName(name));
}

void DocumentMigrationUsher::readDataLine()
{
    if (m_fields.size() != m_keys.size()) {
        if (!m_fields.isEmpty())
            ++m_skippedLines;
        return;
    }
    QHash<QString, QString> values;
    for (qsizetype i = 0; i < m_keys.size(); ++i)
        values.insert(m_keys.at(i), m_fields.at(i)); // a later column of the same key wins

    // A line without a location names no file: there is nothing to catalogue.
    const QString path = standardizedPath(values.take(PathKey));
    if (path.isEmpty()) {
        ++m_skippedLines;
        return;
    }
    values.remove(NameKey); // the element's name comes from its file

    MediaElementPtr element = MediaElement::create(&m_library, path);
    if (values.contains(TagsKey))
        element->setUserKeywords(keywordIdentifiersForTagString(values.take(TagsKey)));
    for (auto it = values.constBegin(); it != values.constEnd(); ++it) {
        if (it.key() == RatingKey)
            element->setRating(leadingInteger(it.value()));
        else if (it.key() == CommentsKey)
            element->setUserComments(it.value());
        else
            element->setValueForUndefinedKey(it.value(), it.key());
    }
    m_elements.append(element);
}

} // namespace vidarium
