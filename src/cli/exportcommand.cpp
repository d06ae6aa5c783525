// vidarium-cli export: writes a library's elements as tab-delimited text, or one
// image of each element as JPEG files, for all elements or a chosen collection,
// optionally filtered by criteria, in the library's sort order or one given.

#include "clicommand.h"
#include "clielements.h"
#include "clilibrary.h"

#include "document/documentexport.h"
#include "model/definitions.h"
#include "model/documentdefaults.h"
#include "model/elementfilter.h"
#include "model/medialibrary.h"
#include "model/mediaplaylist.h"
#include "model/predicateevaluator.h"
#include "platform/plist/sortdescriptor.h"

#include <QFileInfo>

#include <optional>

namespace vidarium::cli {

namespace {

const QString Usage = QStringLiteral(
    "usage: vidarium-cli export LIBRARY (--tsv FILE | --images "
    "posters|thumbnails|storyboards|filmstrips "
    "--to FOLDER)\n"
    "                           [--collection NAME] [--where PREDICATE] [--sort KEY[:desc]]...");

struct ExportArguments
{
    QString library;
    QString tsv;
    std::optional<ElementImage> image;
    QString folder;
    QString collection;
    QString where;
    QStringList sortKeys;
};

std::optional<ElementImage> imageNamed(const QString &name)
{
    if (name == QLatin1String("posters"))
        return ElementImage::Poster;
    if (name == QLatin1String("thumbnails"))
        return ElementImage::Thumbnail;
    if (name == QLatin1String("storyboards"))
        return ElementImage::Storyboard;
    if (name == QLatin1String("filmstrips"))
        return ElementImage::Filmstrip;
    return std::nullopt;
}

std::optional<ExportArguments> parseArguments(const QCommandLineParser &parser)
{
    ExportArguments parsed;
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 1)
        return std::nullopt;
    parsed.library = positional.first();
    parsed.tsv = parser.value(QStringLiteral("tsv"));
    if (parser.isSet(QStringLiteral("images"))) {
        parsed.image = imageNamed(parser.value(QStringLiteral("images")));
        if (!parsed.image) {
            printError(
                QStringLiteral("--images takes posters, thumbnails, storyboards or filmstrips"));
            return std::nullopt;
        }
    }
    parsed.folder = parser.value(QStringLiteral("to"));
    parsed.collection = parser.value(QStringLiteral("collection"));
    parsed.where = parser.value(QStringLiteral("where"));
    parsed.sortKeys = parser.values(QStringLiteral("sort"));
    // Exactly one of the two outputs, and images need both their kind and folder.
    const bool text = !parsed.tsv.isEmpty();
    const bool images = parsed.image.has_value() || !parsed.folder.isEmpty();
    if (parsed.library.isEmpty() || text == images)
        return std::nullopt;
    if (images && (!parsed.image || parsed.folder.isEmpty()))
        return std::nullopt;
    return parsed;
}

// User collections first: a user may well name one like a built-in collection.
MediaPlaylistPtr playlistNamed(const MediaLibrary &library, const QString &name)
{
    MediaPlaylistPtr builtIn;
    for (const MediaPlaylistPtr &playlist : library.playlists()) {
        if (playlist->name() != name)
            continue;
        if (!playlist->isBuiltIn())
            return playlist;
        builtIn = playlist;
    }
    return builtIn;
}

std::optional<SortDescriptorList> sortDescriptors(
    const QStringList &sortKeys, const DocumentDefaults &defaults)
{
    if (sortKeys.isEmpty())
        return defaults.itemsSortDescriptors();
    SortDescriptorList descriptors;
    for (const QString &sortKey : sortKeys) {
        QString key = sortKey;
        bool ascending = true;
        if (key.endsWith(QLatin1String(":desc"))) {
            key.chop(5);
            ascending = false;
        } else if (key.endsWith(QLatin1String(":asc"))) {
            key.chop(4);
        }
        if (key.isEmpty()) {
            printError(QStringLiteral("--sort needs a property key, as in --sort rating:desc"));
            return std::nullopt;
        }
        descriptors.append(
            SortDescriptor::create(key, ascending, Definitions::shared().comparisonForKey(key)));
    }
    return descriptors;
}

// The window's state as the options describe it: the collection is the selected
// node, the criteria filter the listed items.
std::optional<DocumentExport::WindowState> windowState(
    const ExportArguments &parsed, const Document &document, int &range)
{
    const MediaLibrary &library = document.library();
    DocumentExport::WindowState window;
    range = DocumentExport::AllElements;
    MediaElementList listed = library.media().values();
    if (!parsed.collection.isEmpty()) {
        const MediaPlaylistPtr playlist = playlistNamed(library, parsed.collection);
        if (!playlist) {
            printError(
                QStringLiteral("the library has no collection named “%1”").arg(parsed.collection));
            return std::nullopt;
        }
        listed = window.selectedNodeElements = playlist->elements();
        range = DocumentExport::SelectedCollection;
    }
    if (!parsed.where.isEmpty()) {
        const Result<Predicate> predicate = Predicate::parse(parsed.where);
        Result<PredicateEvaluator> evaluator = predicate
            ? PredicateEvaluator::compile(*predicate)
            : Result<PredicateEvaluator>(predicate.error());
        if (!evaluator) {
            printError(QStringLiteral("--where: %1").arg(evaluator.error().message()));
            return std::nullopt;
        }
        reportUnknownKeys(library, *predicate);
        window.arrangedElements = ElementFilter::matching(listed, *evaluator);
        range = DocumentExport::ArrangedItems;
    }
    const std::optional<SortDescriptorList> descriptors
        = sortDescriptors(parsed.sortKeys, document.defaults());
    if (!descriptors)
        return std::nullopt;
    window.sortDescriptors = *descriptors;
    return window;
}

int runExport(const QCommandLineParser &arguments)
{
    const std::optional<ExportArguments> parsed = parseArguments(arguments);
    if (!parsed) {
        printError(Usage);
        return 2;
    }
    std::unique_ptr<Document> document = openLibrary(parsed->library);
    if (!document)
        return 1;
    int range = DocumentExport::AllElements;
    const std::optional<DocumentExport::WindowState> window
        = windowState(*parsed, *document, range);
    if (!window)
        return 2;
    DocumentExport exporter(document->library(), *window);
    exporter.setExportRange(range);

    if (!parsed->tsv.isEmpty()) {
        const qsizetype count = exporter.elements().size();
        const Result<void> written = exporter.exportDatabase(parsed->tsv);
        if (!written) {
            printError(written.error().message());
            return 1;
        }
        printOut(QStringLiteral("Exported %1 %2 to %3\n")
                     .arg(count)
                     .arg(count == 1 ? QStringLiteral("element") : QStringLiteral("elements"),
                         parsed->tsv));
        return 0;
    }
    const Result<int> written = exporter.exportImages(*parsed->image, parsed->folder);
    if (!written) {
        printError(written.error().message());
        return 1;
    }
    printOut(QStringLiteral("Wrote %1 %2 to %3\n")
                 .arg(*written)
                 .arg(*written == 1 ? QStringLiteral("image") : QStringLiteral("images"),
                     parsed->folder));
    return 0;
}

const CliCommandRegistration registration({
    QStringLiteral("export"),
    QStringLiteral("export LIBRARY (--tsv FILE | --images "
                   "posters|thumbnails|storyboards|filmstrips --to FOLDER) "
                   "[--collection NAME] [--where PREDICATE] [--sort KEY[:desc]]..."),
    QStringLiteral(
        "Write the elements as tab-delimited UTF-16 text, or one JPEG of the chosen kind per "
        "element that has one (existing files are never overwritten). Without --sort the "
        "library's own item order is used."),
    runExport,
    {
        valueOption(QStringLiteral("tsv"), QStringLiteral("FILE"),
            QStringLiteral("Write the elements as tab-delimited text to FILE.")),
        valueOption(QStringLiteral("images"),
            QStringLiteral("posters|thumbnails|storyboards|filmstrips"),
            QStringLiteral("Write one image of this kind per element.")),
        valueOption(QStringLiteral("to"), QStringLiteral("FOLDER"),
            QStringLiteral("The folder the images go to.")),
        valueOption(QStringLiteral("collection"), QStringLiteral("NAME"),
            QStringLiteral("Only the elements of this collection.")),
        valueOption(QStringLiteral("where"), QStringLiteral("PREDICATE"),
            QStringLiteral("Only the elements that match the criteria.")),
        valueOption(QStringLiteral("sort"), QStringLiteral("KEY[:desc]"),
            QStringLiteral("Sort by this key; repeat for more keys.")),
    },
});

} // namespace

} // namespace vidarium::cli
