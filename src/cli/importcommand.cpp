// vidarium-cli import: catalogues files and folders into a library, reads their
// properties and makes their images with the import dispatcher, and saves.

#include "clicommand.h"
#include "clilibrary.h"

#include "document/folderscan.h"
#include "import/av/avimportcontroller.h"
#include "import/dispatchcontroller.h"
#include "import/externaltools.h"
#include "import/ff/ffimportcontroller.h"
#include "model/definitions.h"
#include "model/medialibrary.h"
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

std::optional<ImportArguments> parseArguments(const QStringList &arguments)
{
    ImportArguments parsed;
    QStringList positional;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        if (!argument.startsWith(QLatin1String("--"))) {
            positional.append(argument);
            continue;
        }
        if (i + 1 >= arguments.size()) {
            printError(QStringLiteral("%1 needs a value").arg(argument));
            return std::nullopt;
        }
        const QString value = arguments[++i];
        bool ok = true;
        if (argument == QLatin1String("--tool")
            && (value == QLatin1String("av") || value == QLatin1String("ff"))) {
            parsed.tool = value;
        } else if (argument == QLatin1String("--images") && value == QLatin1String("now")) {
            parsed.imagesNow = true;
        } else if (argument == QLatin1String("--images") && value == QLatin1String("later")) {
            parsed.imagesNow = false;
        } else if (argument == QLatin1String("--jobs")) {
            const int jobs = value.toInt(&ok);
            if (!ok || jobs < 1 || jobs > 8) {
                printError(QStringLiteral("--jobs takes a number from 1 to 8"));
                return std::nullopt;
            }
            parsed.jobs = jobs;
        } else if (argument == QLatin1String("--ffprobe")) {
            parsed.ffprobe = value;
        } else if (argument == QLatin1String("--ffmpeg")) {
            parsed.ffmpeg = value;
        } else if (argument == QLatin1String("--time-limit")) {
            parsed.timeLimitSeconds = value.toInt(&ok);
            if (!ok || parsed.timeLimitSeconds < 1 || parsed.timeLimitSeconds > 3600) {
                printError(QStringLiteral("--time-limit takes a number of seconds from 1 to 3600"));
                return std::nullopt;
            }
        } else {
            printError(QStringLiteral("unknown option or value: %1 %2").arg(argument, value));
            return std::nullopt;
        }
    }
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
    for (const PlistValue &format : settings.arrayForKey(QStringLiteral("AllowableVideoFormats"))) {
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

int runImport(const QStringList &arguments)
{
    const std::optional<ImportArguments> parsed = parseArguments(arguments);
    if (!parsed) {
        printError(Usage);
        return 2;
    }
    const QString tool = parsed->tool.isEmpty() ? QStringLiteral("av") : parsed->tool;
    for (const QString &path : parsed->paths) {
        if (!QFileInfo::exists(path)) {
            printError(QStringLiteral("%1: no such file or folder").arg(path));
            return 1;
        }
    }

    // At the very first start the programs on the PATH are the user's choice.
    ExternalTools::chooseFromSearchPathIfUnset(UserDefaults::standard());
    RunSettings run;
    UserDefaults &settings = run.settings();
    if (!chooseProgram(settings, ExternalTools::Program::FFprobe, parsed->ffprobe)
        || !chooseProgram(settings, ExternalTools::Program::FFmpeg, parsed->ffmpeg))
        return 2;
    if (parsed->imagesNow)
        settings.setBool(QStringLiteral("ImportImagesImmediately"), *parsed->imagesNow);
    if (parsed->jobs) {
        settings.setInteger(QStringLiteral("AVImporterMaximumOperations"), *parsed->jobs);
        settings.setInteger(QStringLiteral("FFImporterMaximumOperations"), *parsed->jobs);
    }

    AVImportController::registerWithDispatcher();
    // A terminal command does not badge a launcher icon or pop up notifications.
    DispatchController dispatcher(settings, DispatchController::Desktop {});
    if (!dispatcher.externalToolsInstalled()) {
        if (tool == QLatin1String("ff")) {
            printError(QStringLiteral("ffprobe and ffmpeg were not found or cannot be run; "
                                      "name them with --ffprobe and --ffmpeg"));
            return 1;
        }
        printError(QStringLiteral("note: ffprobe and ffmpeg were not found; files the in-process "
                                  "importer cannot read are not marked unreadable"));
    }
    dispatcher.updateMaximumOperations();
    if (FFImportController *ff = dispatcher.ffImportController()) {
        const std::chrono::seconds limit(parsed->timeLimitSeconds);
        ff->setLimits({ limit, limit });
    }

    const QString libraryPath = libraryPathWithExtension(parsed->library);
    const bool isNew = !QFileInfo::exists(libraryPath);
    std::unique_ptr<Document> document;
    if (isNew) {
        // Made at once, so that another import into the same new name finds it
        // and waits or is refused instead of building a rival package.
        MediaLibrary::setBackgroundValidationEnabled(false);
        document = std::make_unique<Document>();
        if (const Result<void> made = document->writeToNewPath(libraryPath); !made) {
            if (!QFileInfo::exists(libraryPath)) {
                printError(made.error().message());
                return 1;
            }
            document.reset();
        }
    }
    if (!document) {
        document = openLibrary(libraryPath, LibraryAccess::Write);
        if (!document)
            return 1;
    }

    const QStringList files = FolderScan::validImportFiles(parsed->paths,
        { acceptedExtensions(settings),
            settings.boolForKey(QStringLiteral("SearchFCPXPackages")) });
    const MediaElementList added = document->library().queueElementsWithURLs(files);
    // Elements catalogued earlier without their properties or images get them too,
    // when their files are here to be read.
    MediaElementList pending = added;
    for (const MediaElementPtr &element : document->library().unprocessedElements()) {
        if (!added.contains(element) && element->fileExists())
            pending.append(element);
    }

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

    qsizetype imported = 0;
    qsizetype unreadable = 0;
    for (const MediaElementPtr &element : pending) {
        if (document->library().error().contains(element->identifier()))
            ++unreadable;
        else if (element->containsAssets(AssetProperties))
            ++imported;
    }
    printOut(
        QStringLiteral("%1: %2 imported, %3 unreadable, %4 skipped (already catalogued) in %5\n")
            .arg(document->filePath())
            .arg(imported)
            .arg(unreadable)
            .arg(files.size() - added.size())
            .arg(elapsedText(progress.elapsed())));
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
});

} // namespace

} // namespace vidarium::cli
