// The external-program import against the floor it cannot beat: the same
// ffprobe and ffmpeg command lines run from a shell loop with the same
// parallelism. Both import properties, a thumbnail, a 4 x 4 storyboard and a
// 5-frame filmstrip of every file; the import also decodes the frames, draws
// the sheets and encodes them.
//
//   bench_ffimportbench [FOLDER] [--jobs N]
//
// FOLDER defaults to the "mixed" corpus of scripts/make-test-media, which is
// generated first when missing. Prints both times and their ratio.
//
// Last figures: none recorded yet. A run over the mixed corpus takes minutes
// (one ffmpeg per frame); bench/avimportbench.cpp times the same tool on a
// larger corpus (--tool ff 1990 s for 232 files, 36.6 x the in-process import).

#include "document/document.h"
#include "import/dispatchcontroller.h"
#include "import/externaltools.h"
#include "import/ff/ffimportcommands.h"
#include "import/ff/ffimportcontroller.h"
#include "model/documentdefaults.h"
#include "model/medialibrary.h"
#include "model/settingkeys.h"
#include "platform/userdefaults.h"
#include "settingsisolation.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

using namespace vidarium;

namespace {

QString defaultCorpus()
{
    QString cache = qEnvironmentVariable("XDG_CACHE_HOME");
    if (cache.isEmpty())
        cache = QDir::homePath() + QStringLiteral("/.cache");
    return cache + QStringLiteral("/vidarium-bench-media/mixed");
}

QStringList corpusFiles(const QString &folder)
{
    QStringList files;
    const QFileInfoList entries = QDir(folder).entryInfoList(QDir::Files, QDir::Name);
    for (const QFileInfo &entry : entries)
        files.append(entry.absoluteFilePath());
    return files;
}

QString shellQuoted(const QString &text)
{
    QString quoted = text;
    quoted.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

QString commandLine(const QString &program, const QStringList &arguments)
{
    QStringList words { shellQuoted(program) };
    for (const QString &argument : arguments)
        words.append(shellQuoted(argument));
    return words.join(QLatin1Char(' '));
}

// The same frame times as the import: frame i of N at (i + 1) x (D / (N + 1)).
QList<float> frameTimes(float duration, int count)
{
    QList<float> times;
    const float step = duration / float(count + 1);
    for (int i = 0; i < count; ++i)
        times.append(float(i + 1) * step);
    return times;
}

// One script per file running that file's command lines one after the other,
// as one import operation after another does.
QString scriptForElement(const MediaElement &element, const QString &ffprobe, const QString &ffmpeg)
{
    const QString path = element.path();
    const float duration = float(element.duration());
    QStringList lines { QStringLiteral("#!/bin/sh") };
    lines << commandLine(ffprobe, FFImportCommands::videoProbeArguments(path))
            + QStringLiteral(" > /dev/null 2>&1");
    lines << commandLine(ffprobe, FFImportCommands::audioProbeArguments(path))
            + QStringLiteral(" > /dev/null 2>&1");
    lines << commandLine(ffmpeg,
                 FFImportCommands::thumbnailArguments(
                     duration * 0.25f, path, element.pixelsWide(), element.pixelsHigh()))
            + QStringLiteral(" > /dev/null 2>&1");
    for (int count : { 16, 5 }) {
        for (float seconds : frameTimes(duration, count))
            lines << commandLine(ffmpeg, FFImportCommands::sheetFrameArguments(seconds, path))
                    + QStringLiteral(" > /dev/null 2>&1");
    }
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

double runShellLoop(const QStringList &scripts, int jobs)
{
    QElapsedTimer clock;
    clock.start();
    QProcess xargs;
    xargs.setProgram(QStringLiteral("xargs"));
    xargs.setArguments({ QStringLiteral("-P"), QString::number(jobs), QStringLiteral("-n"),
        QStringLiteral("1"), QStringLiteral("sh") });
    xargs.start();
    xargs.waitForStarted();
    xargs.write(scripts.join(QLatin1Char('\n')).toUtf8() + '\n');
    xargs.closeWriteChannel();
    xargs.waitForFinished(-1);
    return clock.elapsed() / 1000.0;
}

} // namespace

int main(int argc, char **argv)
{
    // Before anything reads HOME or the XDG folders; the media corpus stays in the user's cache.
    const vidarium::test::SettingsIsolation isolation(
        vidarium::test::SettingsIsolation::Cache::Shared);
    QCoreApplication app(argc, argv);
    QStringList arguments = app.arguments().mid(1);
    int jobs = 2;
    if (const qsizetype at = arguments.indexOf(QStringLiteral("--jobs"));
        at >= 0 && at + 1 < arguments.size()) {
        jobs = std::clamp(arguments[at + 1].toInt(), 1, 8);
        arguments.remove(at, 2);
    }
    const QString folder = arguments.isEmpty() ? defaultCorpus() : arguments.first();
    if (arguments.isEmpty() && corpusFiles(folder).isEmpty()) {
        std::printf("generating the corpus with scripts/make-test-media ...\n");
        std::fflush(stdout);
        QProcess::execute(QStringLiteral(VIDARIUM_SOURCE_DIR "/scripts/make-test-media"), {});
    }
    const QStringList files = corpusFiles(folder);
    if (files.isEmpty()) {
        std::fprintf(stderr, "no files in %s\n", qPrintable(folder));
        return 1;
    }

    QTemporaryDir scratch;
    UserDefaults settings(scratch.filePath(QStringLiteral("settings.ini")));
    const QString ffprobe = QStandardPaths::findExecutable(QStringLiteral("ffprobe"));
    const QString ffmpeg = QStandardPaths::findExecutable(QStringLiteral("ffmpeg"));
    if (!ExternalTools::choose(settings, ExternalTools::Program::FFprobe, ffprobe).ok()
        || !ExternalTools::choose(settings, ExternalTools::Program::FFmpeg, ffmpeg).ok()) {
        std::fprintf(stderr, "ffprobe and ffmpeg must be on the PATH\n");
        return 1;
    }
    settings.setBool(SettingKey::ImportImagesImmediately, true);
    settings.setInteger(SettingKey::FFImporterMaximumOperations, jobs);

    DispatchController dispatcher(settings, DispatchController::Desktop {});
    dispatcher.setTools(nullptr, std::make_unique<FFImportController>(dispatcher, settings));
    dispatcher.updateMaximumOperations();
    MediaLibrary::setBackgroundValidationEnabled(false);
    Document document;
    PlistDictionary metrics = document.defaults().imageMetrics();
    metrics.insert(QStringLiteral("StoryboardRows"), PlistValue(4));
    metrics.insert(QStringLiteral("StoryboardColumns"), PlistValue(4));
    metrics.insert(QStringLiteral("FilmstripFrames"), PlistValue(5));
    metrics.insert(QStringLiteral("ThumbnailPosition"), PlistValue(0.25));
    document.defaults().setImageMetrics(metrics);

    // Both runs find the files in the page cache.
    for (const QString &file : files)
        QProcess::execute(ffprobe, { QStringLiteral("-v"), QStringLiteral("quiet"), file });

    const MediaElementList elements = document.library().queueElementsWithURLs(files);
    QElapsedTimer clock;
    clock.start();
    dispatcher.dispatchDocument(document, elements, QString(FFImporterIdentifier));
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (!dispatcher.dispatchStatus(document.identifier()))
            loop.quit();
    });
    poll.start(20);
    loop.exec();
    const double importSeconds = clock.elapsed() / 1000.0;

    QStringList scripts;
    int complete = 0;
    for (const MediaElementPtr &element : elements) {
        if (element->error())
            continue;
        complete += element->assets() == AssetsComplete ? 1 : 0;
        const QString script = scratch.filePath(element->identifier() + QStringLiteral(".sh"));
        QFile out(script);
        if (out.open(QIODevice::WriteOnly))
            out.write(scriptForElement(*element, ffprobe, ffmpeg).toUtf8());
        scripts.append(script);
    }
    const double shellSeconds = runShellLoop(scripts, jobs);

    std::printf("files: %lld (%d with every image), parallelism %d\n", qlonglong(files.size()),
        complete, jobs);
    std::printf("external-tool import: %.2f s\n", importSeconds);
    std::printf("shell loop, same command lines: %.2f s\n", shellSeconds);
    std::printf("ratio import / shell: %.3f (at most 1.1 wanted)\n", importSeconds / shellSeconds);
    return 0;
}
