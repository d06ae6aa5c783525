// vidarium-cli list: element values by key, as tab-separated lines or JSON.

#include "clicommand.h"
#include "clielements.h"
#include "clilibrary.h"

#include "model/definitions.h"
#include "model/elementfilter.h"
#include "model/mediaplaylist.h"
#include "model/predicate.h"
#include "model/predicateevaluator.h"
#include "model/valueformatters.h"
#include "model/valuetransformers.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUuid>

#include <algorithm>

namespace vidarium::cli {

namespace {

const QString Usage
    = QStringLiteral("usage: vidarium-cli list LIBRARY [--collection NAME] [--where PREDICATE] "
                     "[--keys k1,k2,...] [--format tsv|json] [--raw]");

const QStringList DefaultKeys = {
    QStringLiteral("identifier"),
    QStringLiteral("path"),
    QStringLiteral("name"),
    QStringLiteral("device"),
    QStringLiteral("status"),
    QStringLiteral("assets"),
    QStringLiteral("size"),
    QStringLiteral("duration"),
    QStringLiteral("pixelsWide"),
    QStringLiteral("pixelsHigh"),
    QStringLiteral("frameRate"),
    QStringLiteral("videoCodec"),
    QStringLiteral("audioCodec"),
};

struct Options
{
    QString library;
    QString collection;
    QString where;
    QStringList keys = DefaultKeys;
    bool json = false;
    bool raw = false;
};

// Reads the parsed command line; false (with the message printed) when it makes no sense.
bool parse(const QCommandLineParser &parser, Options &options)
{
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 1) {
        printError(Usage);
        return false;
    }
    options.library = positional.first();
    options.collection = parser.value(QStringLiteral("collection"));
    options.where = parser.value(QStringLiteral("where"));
    if (parser.isSet(QStringLiteral("keys"))) {
        options.keys
            = parser.value(QStringLiteral("keys")).split(QLatin1Char(','), Qt::SkipEmptyParts);
        for (QString &key : options.keys)
            key = key.trimmed();
    }
    if (parser.isSet(QStringLiteral("format"))) {
        const QString format = parser.value(QStringLiteral("format"));
        if (format != QLatin1String("tsv") && format != QLatin1String("json")) {
            printError(QStringLiteral("unknown format '%1': use tsv or json").arg(format));
            return false;
        }
        options.json = format == QLatin1String("json");
    }
    options.raw = parser.isSet(QStringLiteral("raw"));
    if (options.library.isEmpty() || options.keys.isEmpty()) {
        printError(Usage);
        return false;
    }
    return true;
}

// Turns values into QJsonValue, which holds every signed 64-bit integer exactly
// but no unsigned one above them: those are written in as text once the
// document is made, in place of a marker no catalogue string can hold.
class JsonValues
{
public:
    QJsonValue convert(const PlistValue &value)
    {
        switch (value.type()) {
        case PlistValue::Type::Invalid:
        case PlistValue::Type::Null:
            return QJsonValue::Null;
        case PlistValue::Type::Bool:
            return value.toBool();
        case PlistValue::Type::Integer:
            if (value.isUnsigned64()) {
                m_unsigned.append(QString::number(value.toUInt64()));
                return marker(m_unsigned.size() - 1);
            }
            return QJsonValue(qint64(value.toInteger()));
        case PlistValue::Type::Real:
            return value.toDouble();
        case PlistValue::Type::Date:
            return value.toDateTime().toString(Qt::ISODateWithMs);
        case PlistValue::Type::Data:
            return QString::fromLatin1(value.toData().toBase64());
        case PlistValue::Type::String:
            return value.toString();
        case PlistValue::Type::Array:
        case PlistValue::Type::Set: {
            QJsonArray array;
            for (const PlistValue &member : value.toArray())
                array.append(convert(member));
            return array;
        }
        case PlistValue::Type::Dictionary: {
            QJsonObject object;
            const PlistDictionary &dictionary = value.toDictionary();
            for (auto it = dictionary.constBegin(); it != dictionary.constEnd(); ++it)
                object.insert(it.key(), convert(it.value()));
            return object;
        }
        case PlistValue::Type::Uid:
        case PlistValue::Type::Object:
            break;
        }
        return QJsonValue::Null;
    }

    QByteArray text(const QJsonDocument &document, QJsonDocument::JsonFormat format) const
    {
        QByteArray json = document.toJson(format);
        for (qsizetype i = 0; i < m_unsigned.size(); ++i)
            json.replace(QJsonDocument(QJsonArray { marker(i) })
                             .toJson(QJsonDocument::Compact)
                             .chopped(1)
                             .mid(1),
                m_unsigned[i].toLatin1());
        return json;
    }

private:
    QString marker(qsizetype index) const
    {
        return QStringLiteral("\u0001%1:%2").arg(m_nonce).arg(index);
    }

    // Random per run, so that no string of a catalogue can be mistaken for a marker.
    const QString m_nonce = QUuid::createUuid().toString(QUuid::WithoutBraces);
    QStringList m_unsigned;
};

// One cell of a tab-separated line: never a tab or a line break inside.
QString text(const PlistValue &value)
{
    QString result;
    switch (value.type()) {
    case PlistValue::Type::Bool:
        result = value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
        break;
    case PlistValue::Type::Integer:
        result = value.isUnsigned64() ? QString::number(value.toUInt64())
                                      : QString::number(value.toInteger());
        break;
    case PlistValue::Type::Real:
        result = QString::number(value.toDouble(), 'g', 15);
        break;
    case PlistValue::Type::Date:
        result = value.toDateTime().toString(Qt::ISODateWithMs);
        break;
    case PlistValue::Type::Data:
        result = QString::fromLatin1(value.toData().toBase64());
        break;
    case PlistValue::Type::String:
        result = value.toString();
        break;
    case PlistValue::Type::Array:
    case PlistValue::Type::Set: {
        QStringList members;
        for (const PlistValue &member : value.toArray())
            members.append(text(member));
        result = members.join(QStringLiteral(", "));
        break;
    }
    case PlistValue::Type::Dictionary: {
        JsonValues json;
        result = QString::fromUtf8(
            json.text(QJsonDocument(json.convert(value).toObject()), QJsonDocument::Compact));
        break;
    }
    default:
        break;
    }
    for (QChar &c : result) {
        if (c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r'))
            c = QLatin1Char(' ');
    }
    return result;
}

// Shows each key's values as the windows do: through the formatter or the text
// transformer its property definition names. Keys without one show as stored.
class DisplayForms
{
public:
    explicit DisplayForms(const QStringList &keys)
    {
        const Definitions &definitions = Definitions::shared();
        ValueTransformerRegistry &transformers = ValueTransformerRegistry::shared();
        if (!transformers.valueTransformerForName(QStringLiteral("kHideZeroValueTransformer")))
            transformers.registerStandardTransformers(definitions.ratingStrings());
        for (const QString &key : keys) {
            if (!definitions.hasPropertyDefinition(key))
                continue;
            const PropertyDefinition definition = definitions.propertyDefinition(key);
            if (std::unique_ptr<ValueFormatter> formatter = formatterNamed(definition.formatter)) {
                m_formatters.insert(key, std::shared_ptr<ValueFormatter>(std::move(formatter)));
                continue;
            }
            const auto transformer = transformers.valueTransformerForName(definition.transformer);
            if (transformer
                && transformer->transformedValueClass() == ValueTransformer::ResultKind::String)
                m_transformers.insert(key, transformer);
        }
    }

    PlistValue display(const QString &key, const PlistValue &value) const
    {
        if (const auto formatter = m_formatters.value(key)) {
            const QString text = formatter->stringForObjectValue(value);
            return text.isNull() ? value : PlistValue(text);
        }
        if (const auto transformer = m_transformers.value(key))
            return transformer->transformedValue(value).toString();
        return value;
    }

private:
    QHash<QString, std::shared_ptr<ValueFormatter>> m_formatters;
    QHash<QString, std::shared_ptr<const ValueTransformer>> m_transformers;
};

int runList(const QCommandLineParser &parser)
{
    Options options;
    if (!parse(parser, options))
        return 2;
    std::optional<Predicate> where;
    if (!options.where.isEmpty()) {
        Result<Predicate> parsed = Predicate::parse(options.where);
        if (!parsed) {
            printError(parsed.error().message());
            return 1;
        }
        where = *parsed;
    }
    std::unique_ptr<Document> document = openLibrary(options.library);
    if (!document)
        return 1;
    MediaLibrary &library = document->library();
    if (where)
        reportUnknownKeys(library, *where);

    MediaElementList elements;
    if (options.collection.isEmpty()) {
        elements = library.media().values();
    } else {
        MediaPlaylistPtr chosen;
        for (const MediaPlaylistPtr &playlist : library.playlists()) {
            if (playlist->name() == options.collection && (!chosen || playlist->isBuiltIn()))
                chosen = playlist;
        }
        if (!chosen) {
            printError(QStringLiteral("%1 has no collection named '%2'")
                           .arg(options.library, options.collection));
            return 1;
        }
        elements = chosen->elements();
    }
    if (where) {
        const Result<PredicateEvaluator> evaluator = where->evaluatorForOnePass();
        if (!evaluator) {
            printError(evaluator.error().message());
            return 1;
        }
        elements = ElementFilter::matching(elements, *evaluator);
    }
    std::sort(
        elements.begin(), elements.end(), [](const MediaElementPtr &a, const MediaElementPtr &b) {
            const QString pathA = a->path();
            const QString pathB = b->path();
            return pathA != pathB ? pathA < pathB : a->identifier() < b->identifier();
        });

    const DisplayForms forms(options.raw ? QStringList() : options.keys);
    const auto valueOf = [&](const MediaElementPtr &element, const QString &key) {
        return forms.display(key, element->valueForKey(key));
    };
    if (options.json) {
        JsonValues json;
        QJsonArray rows;
        for (const MediaElementPtr &element : std::as_const(elements)) {
            QJsonObject row;
            for (const QString &key : std::as_const(options.keys))
                row.insert(key, json.convert(valueOf(element, key)));
            rows.append(row);
        }
        printOut(QString::fromUtf8(json.text(QJsonDocument(rows), QJsonDocument::Indented)));
        return 0;
    }
    QString output = options.keys.join(QLatin1Char('\t')) + QLatin1Char('\n');
    for (const MediaElementPtr &element : std::as_const(elements)) {
        QStringList cells;
        for (const QString &key : std::as_const(options.keys))
            cells.append(text(valueOf(element, key)));
        output += cells.join(QLatin1Char('\t')) + QLatin1Char('\n');
    }
    printOut(output);
    return 0;
}

const CliCommandRegistration registration({
    QStringLiteral("list"),
    QStringLiteral("list LIBRARY [--collection NAME] [--where PREDICATE] [--keys k1,k2,...] "
                   "[--format tsv|json] [--raw]"),
    QStringLiteral("List element values by key in their display forms (--raw: as stored), a header "
                   "line and then "
                   "one element per line, or as a JSON array."),
    runList,
    {
        valueOption(QStringLiteral("collection"), QStringLiteral("NAME"),
            QStringLiteral("Only the elements of this collection.")),
        valueOption(QStringLiteral("where"), QStringLiteral("PREDICATE"),
            QStringLiteral("Only the elements that match the criteria.")),
        valueOption(QStringLiteral("keys"), QStringLiteral("k1,k2,..."),
            QStringLiteral("The keys to list, in this order.")),
        valueOption(QStringLiteral("format"), QStringLiteral("tsv|json"),
            QStringLiteral("Tab-separated lines (the default) or a JSON array.")),
        flagOption(QStringLiteral("raw"), QStringLiteral("Values as stored.")),
    },
});

} // namespace

} // namespace vidarium::cli
