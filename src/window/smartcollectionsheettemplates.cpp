// The rule rows of the smart collection sheet: which element properties the
// criteria may test, under which titles, with which operators and values.

#include "smartcollectionsheet.h"

#include "model/definitions.h"
#include "model/medialibrary.h"
#include "model/mediauserfield.h"

namespace vidarium {

namespace {

using Op = PredicateOperatorType;
using Kind = PredicateEditorTemplate::ValueKind;

const QList<Op> textOperators { Op::EqualTo, Op::NotEqualTo, Op::BeginsWith, Op::EndsWith,
    Op::Contains, Op::Matches };
const QList<Op> pathOperators { Op::BeginsWith, Op::EndsWith, Op::Contains, Op::Matches };
const QList<Op> numberOperators { Op::EqualTo, Op::NotEqualTo, Op::LessThan, Op::LessThanOrEqualTo,
    Op::GreaterThan, Op::GreaterThanOrEqualTo };
const QList<Op> dateOperators { Op::LessThan, Op::LessThanOrEqualTo, Op::GreaterThan,
    Op::GreaterThanOrEqualTo };
const QList<Op> choiceOperators { Op::EqualTo };
constexpr int NumberFieldWidth = 100;
constexpr int TextOptions = CaseInsensitive | DiacriticInsensitive;

PredicateEditorTemplate text(
    const QStringList &keys, const QStringList &titles, const QList<Op> &operators = textOperators)
{
    PredicateEditorTemplate t;
    t.keyPaths = keys;
    t.titles = titles;
    t.operators = operators;
    t.options = TextOptions;
    return t;
}

PredicateEditorTemplate number(const QStringList &keys, const QStringList &titles,
    Kind kind = Kind::Integer,
    PredicateEditorTemplate::Format format = PredicateEditorTemplate::Format::Plain)
{
    PredicateEditorTemplate t;
    t.keyPaths = keys;
    t.titles = titles;
    t.operators = numberOperators;
    t.valueKind = kind;
    t.format = format;
    t.valueWidth = NumberFieldWidth;
    return t;
}

PredicateEditorTemplate choice(const QString &key, const QString &title,
    const PlistArray &constants, const QStringList &constantTitles)
{
    PredicateEditorTemplate t;
    t.keyPaths = { key };
    t.titles = { title };
    t.operators = choiceOperators;
    t.valueKind = Kind::Constants;
    t.constants = constants;
    t.constantTitles = constantTitles;
    return t;
}

PredicateEditorTemplate separated(PredicateEditorTemplate t)
{
    t.separatorBefore = true;
    return t;
}

PredicateEditorTemplate ratingTemplate()
{
    PlistArray ratings;
    for (int rating = 0; rating <= 5; ++rating)
        ratings.append(PlistValue(rating));
    QStringList titles = Definitions::shared().ratingStrings();
    // A damaged table still gives six distinct choices.
    for (qsizetype i = titles.size(); i < ratings.size(); ++i)
        titles.append(QString::number(i));
    PredicateEditorTemplate t = choice(
        QStringLiteral("rating"), QStringLiteral("Rating"), ratings, titles.mid(0, ratings.size()));
    t.operators = numberOperators;
    return t;
}

} // namespace

QList<PredicateEditorTemplate> SmartCollectionSheet::rowTemplates(const MediaLibrary &library)
{
    const PlistArray noYes { PlistValue(false), PlistValue(true) };
    const QStringList noYesTitles { QStringLiteral("False"), QStringLiteral("True") };
    PredicateEditorTemplate dates
        = text({ QStringLiteral("creationDate"), QStringLiteral("modifiedDate"),
                   QStringLiteral("importedDate"), QStringLiteral("launchedDate") },
            { QStringLiteral("Date Created"), QStringLiteral("Date Modified"),
                QStringLiteral("Date Imported"), QStringLiteral("Date Last Played") },
            dateOperators);
    dates.valueKind = Kind::Date;
    dates.options = 0;
    PredicateEditorTemplate keyword
        = text({ QStringLiteral("userKeywordObjects.name") }, { QStringLiteral("Keyword") });
    keyword.modifier = ComparisonModifier::Any;

    QList<PredicateEditorTemplate> templates {
        text({ QStringLiteral("name"), QStringLiteral("extension") },
            { QStringLiteral("Name"), QStringLiteral("Extension") }),
        text({ QStringLiteral("path") }, { QStringLiteral("Path") }, pathOperators),
        text({ QStringLiteral("parentFolder"), QStringLiteral("device") },
            { QStringLiteral("Parent Folder"), QStringLiteral("Device") }),
        separated(number({ QStringLiteral("size") }, { QStringLiteral("Size") }, Kind::Integer,
            PredicateEditorTemplate::Format::Bytes)),
        number({ QStringLiteral("duration") }, { QStringLiteral("Duration") }, Kind::Integer,
            PredicateEditorTemplate::Format::Duration),
        number({ QStringLiteral("pixelsWide"), QStringLiteral("pixelsHigh") },
            { QStringLiteral("Width"), QStringLiteral("Height") }),
        text({ QStringLiteral("aspectRatio") }, { QStringLiteral("Aspect Ratio") }),
        number({ QStringLiteral("frameRate") }, { QStringLiteral("Frame Rate") }, Kind::Double),
        text({ QStringLiteral("videoCodec"), QStringLiteral("audioCodec") },
            { QStringLiteral("Video Codec"), QStringLiteral("Audio Codec") }),
        separated(dates),
        separated(choice(QStringLiteral("tool"), QStringLiteral("Import Tool"),
            { PlistValue(QStringLiteral("com.tallowmere.vidarium.importer.av")),
                PlistValue(QStringLiteral("com.tallowmere.vidarium.importer.ff")) },
            { QStringLiteral("AV Foundation"), QStringLiteral("FFmpeg") })),
        choice(QStringLiteral("fileExists"), QStringLiteral("File Exists"), noYes, noYesTitles),
        separated(number({ QStringLiteral("playCount") }, { QStringLiteral("Play Count") })),
        ratingTemplate(),
        keyword,
        choice(QStringLiteral("userKeywordsExist"), QStringLiteral("Keywords Exist"), noYes,
            noYesTitles),
    };
    const QList<MediaUserFieldPtr> fields = library.activeUserFields();
    if (!fields.isEmpty()) {
        PredicateEditorTemplate userFields = text({}, {},
            { Op::EqualTo, Op::NotEqualTo, Op::BeginsWith, Op::EndsWith, Op::Contains, Op::Matches,
                Op::LessThan, Op::LessThanOrEqualTo, Op::GreaterThan, Op::GreaterThanOrEqualTo });
        for (const MediaUserFieldPtr &field : fields) {
            userFields.keyPaths.append(field->identifier());
            userFields.titles.append(field->name());
        }
        templates.append(separated(userFields));
    }
    return templates;
}

} // namespace vidarium
