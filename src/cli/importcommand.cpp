// vidarium-cli import: catalogues files and folders into a library, reads their
// properties and makes their images with the import dispatcher, and saves.

#include "clicommand.h"
#include "cliimport.h"
#include "clilibrary.h"

#include "document/folderscan.h"
#include "import/dispatchcontroller.h"
#include "import/enginesetup.h"
#include "import/externaltools.h"
#include "model/definitions.h"
#include "model/medialibrary.h"
#include "model/settingkeys.h"
#include "platform/filepath.h"
#include "platform/userdefaults.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace vidarium::cli {

namespace {

const QString Usage = QStringLiteral(
    "usage: vidarium-cli import LIBRARY PATH... [--tool av|ff] [--images now|later] [--jobs N]\n"
    "                           [--ffprobe PROGRAM] [--ffmpeg PROGRAM] [--time-limit SECONDS]");

struct ImportArguments
{
    QString library;
    QStringList paths;
    QString tool; // "av", "ff" or empty for the default
    std::optional<bool> imagesNow;
    std::optional<int> jobs;
    QString ffprobe;
    QString ffmpeg;
    int timeLimitSeconds = 30;
};

std::optional<ImportArguments> parseArguments(const QCommandLineParser &parser)
{
    ImportArguments parsed;
    if (parser.isSet(QStringLiteral("tool"))) {
        parsed.tool = parser.value(QStringLiteral("tool"));
        if (parsed.tool != QLatin1String("av") && parsed.tool != QLatin1String("ff")) {
            printError(QStringLiteral("unknown option or value: --tool %1").arg(parsed.tool));
            return std::nullopt;
        }
    }
    if (parser.isSet(QStringLiteral("images"))) {
        const QString images = parser.value(QStringLiteral("images"));
        if (images != QLatin1String("now") && images != QLatin1String("later")) {
            printError(QStringLiteral("unknown option or value: --images %1").arg(images));
            return std::nullopt;
        }
        parsed.imagesNow = images == QLatin1String("now");
    }
    bool ok = true;
    if (parser.isSet(QStringLiteral("jobs"))) {
        const int jobs = parser.value(QStringLiteral("jobs")).toInt(&ok);
        if (!ok || jobs < 1 || jobs > 8) {
            printError(QStringLiteral("--jobs takes a number from 1 to 8"));
            return std::nullopt;
        }
        parsed.jobs = jobs;
    }
    parsed.ffprobe = parser.value(QStringLiteral("ffprobe"));
    parsed.ffmpeg = parser.value(QStringLiteral("ffmpeg"));
    if (parser.isSet(QStringLiteral("time-limit"))) {
        parsed.timeLimitSeconds = parser.value(QStringLiteral("time-limit")).toInt(&ok);
        if (!ok || parsed.timeLimitSeconds < 1 || parsed.timeLimitSeconds > 3600) {
            printError(QStringLiteral("--time-limit takes a number of seconds from 1 to 3600"));
            return std::nullopt;
        }
    }
    QStringList positional = parser.positionalArguments();
    if (positional.size() < 2)
        return std::nullopt;
    parsed.library = positional.takeFirst();
    parsed.paths = positional;
    return parsed;
}

// The settings of this one run: the user's own, with what the command line
// says laid over them, kept out of the user's settings file.
class RunSettings
{
public:
    RunSettings()
        : m_settings(std::make_unique<UserDefaults>(m_folder.filePath(QStringLiteral("run.ini"))))
    {
        m_settings->registerDefaults(Definitions::shared().applicationDefaults());
        const UserDefaults &user = UserDefaults::standard();
        for (const QString &key : user.userKeys())
            m_settings->setObject(key, user.object(key));
    }

    UserDefaults &settings() { return *m_settings; }

private:
    QTemporaryDir m_folder;
    std::unique_ptr<UserDefaults> m_settings;
};

QSet<QString> acceptedExtensions(const UserDefaults &settings)
{
    QSet<QString> extensions;
    for (const PlistValue &format : settings.arrayForKey(SettingKey::AllowableVideoFormats)) {
        const PlistValue extension = format.value(QStringLiteral("Extension"));
        if (extension.type() == PlistValue::Type::String)
            extensions.insert(extension.toString().toLower());
    }
    return extensions;
}

bool chooseProgram(UserDefaults &settings, ExternalTools::Program program, const QString &path)
{
    if (path.isEmpty())
        return true;
    const Result<void> chosen = ExternalTools::choose(settings, program, path);
    if (!chosen)
        printError(chosen.error().message());
    return chosen.ok();
}

// Lays the command line over the run's settings; false, with the reason
// printed, when a program it names cannot be chosen.
bool applyToSettings(const ImportArguments &parsed, UserDefaults &settings)
{
    if (!chooseProgram(settings, ExternalTools::Program::FFprobe, parsed.ffprobe)
        || !chooseProgram(settings, ExternalTools::Program::FFmpeg, parsed.ffmpeg))
        return false;
    if (parsed.imagesNow)
        settings.setBool(SettingKey::ImportImagesImmediately, *parsed.imagesNow);
    if (parsed.jobs) {
        settings.setInteger(SettingKey::AVImporterMaximumOperations, *parsed.jobs);
        settings.setInteger(SettingKey::FFImporterMaximumOperations, *parsed.jobs);
    }
    return true;
}

QString elapsedText(qint64 milliseconds)
{
    const qint64 seconds = milliseconds / 1000;
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

// The one progress line: rewritten in place on a terminal, a plain line per
// change otherwise (logs, pipes).
class ProgressLine
{
public:
    explicit ProgressLine(qsizetype total)
        : m_total(total)
        , m_terminal(::isatty(STDOUT_FILENO) == 1)
    {
        m_clock.start();
    }

    void show(const QString &status, qsizetype done)
    {
        const QString text = QStringLiteral("%1  %2/%3 files  %4")
                                 .arg(status)
                                 .arg(done)
                                 .arg(m_total)
                                 .arg(elapsedText(m_clock.elapsed()));
        if (m_terminal) {
            printOut(QStringLiteral("\r\033[K") + text);
            std::fflush(stdout);
        } else if (status != m_lastStatus || done != m_lastDone) {
            printOut(text + QLatin1Char('\n'));
        }
        m_lastStatus = status;
        m_lastDone = done;
    }

    void finish()
    {
        if (m_terminal)
            printOut(QStringLiteral("\n"));
    }

    qint64 elapsed() const { return m_clock.elapsed(); }

private:
    qsizetype m_total;
    bool m_terminal;
    QElapsedTimer m_clock;
    QString m_lastStatus;
    qsizetype m_lastDone = -1;
};

qsizetype remainingOf(const DispatchStatus *status, const QSet<QString> &dispatched)
{
    if (!status)
        return 0;
    QSet<QString> remaining = status->properties();
    remaining.unite(status->thumbnails()).unite(status->storyboards()).unite(status->filmstrips());
    return remaining.intersect(dispatched).size();
}

volatile std::sig_atomic_t interrupted = 0;

// The first Ctrl-C stops the import and keeps what is done; a second one ends
// the program at once.
void interrupt(int)
{
    interrupted = 1;
    std::signal(SIGINT, SIG_DFL);
}

// Runs the dispatcher until the library has nothing left in hand, or the user
// interrupts. Returns false when interrupted.
bool runUntilIdle(DispatchController &dispatcher, const QString &libraryIdentifier,
    const QSet<QString> &dispatched, ProgressLine &progress)
{
    QEventLoop loop;
    const auto update = [&] {
        if (interrupted) {
            dispatcher.cancelLibrary(libraryIdentifier);
            loop.quit();
            return;
        }
        const DispatchStatus *status = dispatcher.dispatchStatus(libraryIdentifier);
        progress.show(status ? status->statusMessage() : QStringLiteral("Idle"),
            dispatched.size() - remainingOf(status, dispatched));
        if (!status)
            loop.quit();
    };
    QObject::connect(&dispatcher, &DispatchController::statusMessageChanged, &loop,
        [&](const QString &identifier, const QString &) {
            if (identifier == libraryIdentifier)
                update();
        });
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, &loop, update);
    tick.start(500);
    interrupted = 0;
    std::signal(SIGINT, interrupt);
    update(); // the counts as the dispatch left them, before any result came back
    if (dispatcher.dispatchStatus(libraryIdentifier))
        loop.exec();
    std::signal(SIGINT, SIG_DFL);
    const bool finished = !interrupted;
    update();
    progress.finish();
    return finished;
}

// The counts of the import, and which programs stood behind the in-process importer.
void printSummary(const Document &document, const MediaElementList &pending, qsizetype skipped,
    const UserDefaults &settings, qint64 elapsed)
{
    qsizetype imported = 0;
    qsizetype unreadable = 0;
    for (const MediaElementPtr &element : pending) {
        if (document.library().error().contains(element->identifier()))
            ++unreadable;
        else if (element->containsAssets(AssetProperties))
            ++imported;
    }
    printOut(
        QStringLiteral("%1: %2 imported, %3 unreadable, %4 skipped (already catalogued) in %5\n")
            .arg(document.filePath())
            .arg(imported)
            .arg(unreadable)
            .arg(skipped)
            .arg(elapsedText(elapsed)));
    printOut(QStringLiteral("Programs: %1, %2\n")
                 .arg(ExternalTools::description(settings, ExternalTools::Program::FFprobe),
                     ExternalTools::description(settings, ExternalTools::Program::FFmpeg)));
}

// Without the programs the ff tool cannot run at all, and the in-process tool
// has nobody to hand its failures to. Returns false when the import cannot go on.
bool checkExternalTools(const UserDefaults &settings, const QString &tool)
{
    if (ExternalTools::installed(settings))
        return true;
    if (tool == QLatin1String("ff")) {
        printError(QStringLiteral("ffprobe and ffmpeg were not found or cannot be run; "
                                  "name them with --ffprobe and --ffmpeg"));
        return false;
    }
    printError(QStringLiteral("note: ffprobe and ffmpeg were not found; files the in-process "
                              "importer cannot read are not marked unreadable"));
    return true;
}

// The library at the path, created when missing; null after an error was printed.
std::unique_ptr<Document> openOrCreateLibrary(const QString &libraryPath)
{
    std::unique_ptr<Document> document;
    if (!QFileInfo::exists(libraryPath)) {
        // Made at once, so that another import into the same new name finds it
        // and waits or is refused instead of building a rival package.
        MediaLibrary::setBackgroundValidationEnabled(false);
        document = std::make_unique<Document>();
        if (const Result<void> made = document->writeToNewPath(libraryPath); !made) {
            if (!QFileInfo::exists(libraryPath)) {
                printError(made.error().message());
                return nullptr;
            }
            document.reset();
        }
    }
    if (!document)
        document = openLibrary(libraryPath, LibraryAccess::Write);
    return document;
}

// The elements to read: the files found, plus those catalogued earlier without
// their properties or images whose files are here to be read.
MediaElementList pendingElements(MediaLibrary &library, const MediaElementList &added)
{
    MediaElementList pending = added;
    for (const MediaElementPtr &element : library.unprocessedElements()) {
        if (!added.contains(element) && element->followMovedFile())
            pending.append(element);
    }
    return pending;
}

int runImport(const QCommandLineParser &arguments)
{
    const std::optional<ImportArguments> parsed = parseArguments(arguments);
    if (!parsed) {
        printError(Usage);
        return 2;
    }
    const QString tool = parsed->tool.isEmpty() ? QStringLiteral("av") : parsed->tool;
    for (const QString &path : parsed->paths) {
        if (!pathExists(path)) {
            printError(QStringLiteral("%1: no such file or folder").arg(displayPath(path)));
            return 1;
        }
    }

    RunSettings run;
    UserDefaults &settings = run.settings();
    if (!applyToSettings(*parsed, settings))
        return 2;
    if (!checkExternalTools(settings, tool))
        return 1;
    // A terminal command does not badge a launcher icon or pop up notifications.
    DispatchController dispatcher(settings, DispatchController::Desktop {});
    EngineSetup::installImportTools(dispatcher, std::chrono::seconds(parsed->timeLimitSeconds));

    const std::unique_ptr<Document> document
        = openOrCreateLibrary(libraryPathWithExtension(parsed->library));
    if (!document)
        return 1;

    const QStringList files = FolderScan::validImportFiles(parsed->paths,
        { acceptedExtensions(settings), settings.boolForKey(SettingKey::SearchFCPXPackages) });
    const MediaElementList added = document->library().queueElementsWithURLs(files);
    const MediaElementList pending = pendingElements(document->library(), added);

    QSet<QString> dispatched;
    for (const MediaElementPtr &element : pending)
        dispatched.insert(element->identifier());
    ProgressLine progress(pending.size());
    dispatcher.dispatchDocument(*document, pending,
        tool == QLatin1String("ff") ? QString(FFImporterIdentifier)
                                    : QString(AVImporterIdentifier));
    if (!runUntilIdle(dispatcher, document->identifier(), dispatched, progress))
        printError(QStringLiteral("interrupted: saving what is done; import again to finish"));

    const Result<void> saved = document->save();
    if (!saved) {
        printError(saved.error().message());
        return 1;
    }

    printSummary(*document, pending, files.size() - added.size(), settings, progress.elapsed());
    return 0;
}

const CliCommandRegistration registration({
    QStringLiteral("import"),
    QStringLiteral("import LIBRARY PATH... [--tool av|ff] [--images now|later] [--jobs N]"),
    QStringLiteral(
        "Catalogue video files (folders are searched) into a library, created when missing: "
        "read their properties, make their images and save. --ffprobe and --ffmpeg name "
        "the programs for this run; --time-limit bounds each program run (30 s)."),
    runImport,
    importOptions(),
});

} // namespace

QList<QCommandLineOption> importOptions()
{
    return {
        valueOption(QStringLiteral("tool"), QStringLiteral("av|ff"),
            QStringLiteral(
                "The in-process importer (av, the default) or ffprobe and ffmpeg (ff).")),
        valueOption(QStringLiteral("images"), QStringLiteral("now|later"),
            QStringLiteral("Make the images during the import, or leave them for later.")),
        valueOption(QStringLiteral("jobs"), QStringLiteral("N"),
            QStringLiteral("Files read at once, from 1 to 8.")),
        valueOption(QStringLiteral("ffprobe"), QStringLiteral("PROGRAM"),
            QStringLiteral("The ffprobe program of this run (else the chosen one, else the "
                           "PATH's).")),
        valueOption(QStringLiteral("ffmpeg"), QStringLiteral("PROGRAM"),
            QStringLiteral("The ffmpeg program of this run (else the chosen one, else the "
                           "PATH's).")),
        valueOption(QStringLiteral("time-limit"), QStringLiteral("SECONDS"),
            QStringLiteral("How long one program run may take, from 1 to 3600 (30).")),
    };
}

} // namespace vidarium::cli
