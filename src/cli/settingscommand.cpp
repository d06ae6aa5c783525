// vidarium-cli settings: reading and changing a library's own settings (image
// settings, visible columns, sorting, collection spans, ...).

#include "clicommand.h"
#include "clilibrary.h"

#include "model/definitions.h"
#include "model/documentdefaults.h"
#include "model/medialibrary.h"
#include "platform/plist/plistjson.h"
#include "platform/plist/sortdescriptor.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

#include <cmath>
#include <optional>

namespace vidarium::cli {

namespace {

const QString Usage = QStringLiteral("usage: vidarium-cli settings LIBRARY [KEY | KEY=VALUE...]");
const QString SortKey = QStringLiteral("itemsSortDescriptors");

// Bounds that keep images and views makeable: sizes beyond these have no frame
// geometry, and more than 15 rows or frames no longer tell image settings apart.
struct Range
{
    const char *path;
    double minimum;
    double maximum;
};
const Range Ranges[] = {
    { "imageMetrics.ThumbnailPosition", 0, 1 },
    { "imageMetrics.StoryboardSize", 0, 5 },
    { "imageMetrics.StoryboardRows", 1, 15 },
    { "imageMetrics.StoryboardColumns", 1, 15 },
    { "imageMetrics.FilmstripSize", 0, 0 },
    { "imageMetrics.FilmstripFrames", 1, 15 },
    { "recentlyAddedDays", 0, 36500 },
    { "recentlyPlayedDays", 0, 36500 },
    { "minimumFavoritesRating", 0, 5 },
    // 1 table, 2 list, 3 grid
    { "itemsViewStyle", 1, 3 },
    { "itemsViewThumbnailScale", 32, 1024 },
    { "defaultsSheetTabIndex", 0, 16 },
};

bool isSetting(const QString &key)
{
    return DocumentDefaults::mutableKeys().contains(key)
        || DocumentDefaults::staticKeys().contains(key);
}

QString sortText(const DocumentDefaults &defaults)
{
    QStringList descriptors;
    for (const auto &descriptor : defaults.itemsSortDescriptors()) {
        descriptors.append(
            QStringLiteral("%1:%2:%3")
                .arg(descriptor->key(),
                    descriptor->ascending() ? QStringLiteral("asc") : QStringLiteral("desc"),
                    descriptor->selector()));
    }
    return descriptors.join(QStringLiteral(", "));
}

QString valueText(const PlistValue &value)
{
    if (!value.isValid())
        return QStringLiteral("(none)");
    const Result<QByteArray> json = PlistJson::toJson(value);
    if (!json.ok())
        return QStringLiteral("(unprintable)");
    // One line per setting.
    return QString::fromUtf8(QJsonDocument::fromJson(*json).isNull()
            ? *json
            : QJsonDocument::fromJson(*json).toJson(QJsonDocument::Compact))
        .simplified();
}

QString settingText(const DocumentDefaults &defaults, const QString &path)
{
    if (path == SortKey)
        return sortText(defaults);
    const qsizetype dot = path.indexOf(u'.');
    const PlistValue top = defaults.valueForKey(path.left(dot));
    return valueText(dot < 0 ? top : top.value(path.mid(dot + 1)));
}

std::optional<bool> parseBool(const QString &text)
{
    const QString t = text.trimmed().toLower();
    if (t == QLatin1String("true") || t == QLatin1String("yes") || t == QLatin1String("on")
        || t == QLatin1String("1"))
        return true;
    if (t == QLatin1String("false") || t == QLatin1String("no") || t == QLatin1String("off")
        || t == QLatin1String("0"))
        return false;
    return std::nullopt;
}

PlistValue fromJson(const QJsonValue &json)
{
    switch (json.type()) {
    case QJsonValue::Bool:
        return json.toBool();
    case QJsonValue::Double: {
        const double number = json.toDouble();
        if (number == std::trunc(number) && std::abs(number) < 9e15)
            return qint64(number);
        return number;
    }
    case QJsonValue::String:
        return json.toString();
    case QJsonValue::Array: {
        PlistArray array;
        for (const QJsonValue &member : json.toArray())
            array.append(fromJson(member));
        return array;
    }
    case QJsonValue::Object: {
        PlistDictionary dictionary;
        const QJsonObject object = json.toObject();
        for (auto it = object.begin(); it != object.end(); ++it)
            dictionary.insert(it.key(), fromJson(it.value()));
        return dictionary;
    }
    default:
        return PlistValue();
    }
}

// The text as a value of the same kind as `current` (guessed when there is none).
Result<PlistValue> parseValue(const PlistValue &current, const QString &text)
{
    const auto wrongKind = [&](const QString &kind) {
        return Error(
            Error::Code::InvalidArgument, QStringLiteral("'%1' is not %2").arg(text, kind));
    };
    bool ok = false;
    switch (current.type()) {
    case PlistValue::Type::Bool:
        if (const std::optional<bool> flag = parseBool(text))
            return PlistValue(*flag);
        return wrongKind(QStringLiteral("true or false"));
    case PlistValue::Type::Integer: {
        const qint64 number = text.trimmed().toLongLong(&ok);
        return ok ? Result<PlistValue>(PlistValue(number))
                  : wrongKind(QStringLiteral("a whole number"));
    }
    case PlistValue::Type::Real: {
        const double number = text.trimmed().toDouble(&ok);
        return ok && std::isfinite(number) ? Result<PlistValue>(PlistValue(number))
                                           : wrongKind(QStringLiteral("a number"));
    }
    case PlistValue::Type::String:
        return PlistValue(text);
    case PlistValue::Type::Array:
    case PlistValue::Type::Dictionary: {
        QJsonParseError error;
        const QJsonDocument json = QJsonDocument::fromJson(text.toUtf8(), &error);
        const bool sameKind
            = current.type() == PlistValue::Type::Array ? json.isArray() : json.isObject();
        if (error.error != QJsonParseError::NoError || !sameKind)
            return wrongKind(current.type() == PlistValue::Type::Array
                    ? QStringLiteral("a JSON array")
                    : QStringLiteral("a JSON object"));
        return json.isArray() ? fromJson(QJsonValue(json.array()))
                              : fromJson(QJsonValue(json.object()));
    }
    case PlistValue::Type::Invalid:
    case PlistValue::Type::Null:
        if (const std::optional<bool> flag = parseBool(text);
            flag && !text.trimmed().isEmpty() && !text.trimmed().front().isDigit())
            return PlistValue(*flag);
        if (const qint64 number = text.trimmed().toLongLong(&ok); ok)
            return PlistValue(number);
        if (const double number = text.trimmed().toDouble(&ok); ok && std::isfinite(number))
            return PlistValue(number);
        return PlistValue(text);
    default:
        return Error(
            Error::Code::InvalidArgument, QStringLiteral("this setting cannot be changed here"));
    }
}

Result<SortDescriptorList> parseSort(const QString &text)
{
    SortDescriptorList descriptors;
    for (const QString &item : text.split(u',', Qt::SkipEmptyParts)) {
        const QString entry = item.trimmed();
        const qsizetype first = entry.indexOf(u':');
        const QString key = entry.left(first);
        QString direction = first < 0 ? QString() : entry.mid(first + 1);
        QString selector = Definitions::shared().comparisonForKey(key);
        const qsizetype second = direction.indexOf(u':');
        if (second >= 0 && second + 1 < direction.size()) {
            selector = direction.mid(second + 1);
            direction = direction.left(second);
        } else if (second >= 0) {
            direction = direction.left(second);
        }
        if (key.isEmpty()
            || !(direction.isEmpty() || direction == QLatin1String("asc")
                || direction == QLatin1String("desc"))) {
            return Error(Error::Code::InvalidArgument,
                QStringLiteral("'%1' is not KEY[:asc|desc][:SELECTOR]").arg(entry));
        }
        descriptors.append(
            SortDescriptor::create(key, direction != QLatin1String("desc"), selector));
    }
    return descriptors;
}

// Checks and stores one KEY=VALUE; the message says what is wrong.
Result<void> applySetting(DocumentDefaults &defaults, const QString &path, const QString &text)
{
    const qsizetype dot = path.indexOf(u'.');
    const QString key = path.left(dot);
    const QString entry = dot < 0 ? QString() : path.mid(dot + 1);
    if (!isSetting(key)) {
        return Error(Error::Code::InvalidArgument,
            QStringLiteral("'%1' is not a library setting; the settings are: %2")
                .arg(key,
                    (DocumentDefaults::mutableKeys() + DocumentDefaults::staticKeys()).join(u' ')));
    }
    if (key == SortKey && entry.isEmpty()) {
        const Result<SortDescriptorList> sort = parseSort(text);
        if (!sort)
            return sort.error();
        defaults.setItemsSortDescriptors(*sort);
        return {};
    }
    if (key == QLatin1String("sourceFolders") || key == SortKey)
        return Error(
            Error::Code::InvalidArgument, QStringLiteral("'%1' cannot be changed here").arg(path));

    PlistValue top = defaults.valueForKey(key);
    if (!entry.isEmpty() && top.isValid() && top.type() != PlistValue::Type::Dictionary)
        return Error(Error::Code::InvalidArgument, QStringLiteral("'%1' has no entries").arg(key));
    if (key == QLatin1String("imageMetrics") && !entry.isEmpty() && !top.value(entry).isValid())
        return Error(Error::Code::InvalidArgument,
            QStringLiteral("'%1' is not an image setting").arg(entry));

    const PlistValue current = entry.isEmpty() ? top : top.value(entry);
    PlistValue parsed;
    if (key.endsWith(QLatin1String("Visibility")) && !entry.isEmpty()) {
        // Visibility entries are switches, whatever the entry is called.
        const std::optional<bool> flag = parseBool(text);
        if (!flag)
            return Error(Error::Code::InvalidArgument,
                QStringLiteral("'%1' is not true or false").arg(text));
        parsed = *flag;
    } else {
        Result<PlistValue> value = parseValue(current, text);
        if (!value)
            return value.error();
        parsed = *value;
    }
    for (const Range &range : Ranges) {
        if (path != QLatin1String(range.path))
            continue;
        const double number = parsed.toDouble();
        if (!parsed.isNumber() || number < range.minimum || number > range.maximum) {
            return Error(Error::Code::InvalidArgument,
                QStringLiteral("%1 must be from %2 to %3")
                    .arg(path)
                    .arg(range.minimum)
                    .arg(range.maximum));
        }
    }
    if (key.endsWith(QLatin1String("SortOrder")) && parsed != PlistValue(QStringLiteral("value"))
        && parsed != PlistValue(QStringLiteral("count")))
        return Error(
            Error::Code::InvalidArgument, QStringLiteral("%1 is either value or count").arg(key));

    if (entry.isEmpty()) {
        defaults.setValueForKey(parsed, key);
    } else {
        PlistDictionary dictionary = top.toDictionary();
        dictionary.insert(entry, parsed);
        defaults.setValueForKey(dictionary, key);
    }
    return {};
}

int runSettings(const QCommandLineParser &parser)
{
    const QStringList arguments = parser.positionalArguments();
    if (arguments.isEmpty()) {
        printError(Usage);
        return 2;
    }
    const QStringList requests = arguments.mid(1);
    const bool reading
        = requests.isEmpty() || (requests.size() == 1 && !requests[0].contains(u'='));
    std::unique_ptr<Document> document
        = openLibrary(arguments[0], reading ? LibraryAccess::Read : LibraryAccess::Write);
    if (!document)
        return 1;
    DocumentDefaults &defaults = document->defaults();

    if (reading) {
        QStringList keys = requests;
        if (keys.isEmpty())
            keys = DocumentDefaults::mutableKeys() + DocumentDefaults::staticKeys();
        else if (!isSetting(keys[0].left(keys[0].indexOf(u'.')))) {
            printError(QStringLiteral("'%1' is not a library setting").arg(keys[0]));
            return 1;
        }
        QString output;
        for (const QString &key : std::as_const(keys))
            output += key + QStringLiteral(" = ") + settingText(defaults, key) + u'\n';
        printOut(output);
        return 0;
    }

    // Every change is checked on a copy first, so a mistake anywhere changes nothing.
    const DocumentDefaultsPtr edited = defaults.copy();
    for (const QString &request : requests) {
        const qsizetype equals = request.indexOf(u'=');
        if (equals <= 0) {
            printError(QStringLiteral("'%1' is not KEY=VALUE; %2").arg(request, Usage));
            return 2;
        }
        const Result<void> applied
            = applySetting(*edited, request.left(equals).trimmed(), request.mid(equals + 1));
        if (!applied) {
            printError(applied.error().message());
            return 1;
        }
    }
    document->setDefaults(edited->copy());
    document->library().updateBuiltInPredicates();
    document->updateChangeCount(Document::Change::Done);
    return saveLibrary(*document) ? 0 : 1;
}

const CliCommandRegistration registration({
    QStringLiteral("settings"),
    QStringLiteral("settings LIBRARY [KEY | KEY=VALUE...]"),
    QStringLiteral("Show a library's settings, or change them: imageMetrics.StoryboardRows=5, "
                   "tableColumnVisibility.size=false, recentlyAddedDays=14, "
                   "itemsSortDescriptors=duration:desc."),
    runSettings,
});

} // namespace

} // namespace vidarium::cli
