// The whole import against the floor, the external-tool import and a peer.
//
//   bench_avimportbench [CORPUS] [--jobs N] [--cli PATH-TO-vidarium-cli]
//
// CORPUS is what scripts/make-test-media made (default ~/.cache/vidarium-bench-media).
// On its mixed/ and hd/ files (about 30 videos in several codecs and containers
// plus 200 short 720p ones) it times, with N files at a time (default 2):
//   - the floor (bench/floorwork.h: open, seek, key frame, scale, JPEG; nothing else);
//   - `vidarium-cli import` with the in-process tool (properties, thumbnail, 4 x 4
//     storyboard, 5-frame filmstrip, package saved), sampling its memory;
//   - the same with `--tool ff` (one ffprobe and one ffmpeg per frame);
//   - ffmpegthumbnailer making one thumbnail per file, as a peer's figure.
// Then it imports bad/ (truncated files, a text file named .mp4, an empty file)
// with mixed/ to show they end among the unreadable files without stopping it.
// Targets: import <= 1.3 x floor, and >= 20 x faster than --tool ff.
//
// Last figures (2 cores shared with other builds, Release, 232 files, --jobs 2):
// floor 51.4 s; import 54.3 s (4.3 files/s), 1.06 x the floor; --tool ff 1990 s,
// 36.6 x slower; ffmpegthumbnailer, one thumbnail per file, 21.1 s. Resident
// memory of the import at each quarter: 30.7, 33.8, 37.3 MB, 20.8 after the save.

#include "floorwork.h"
#include "settingsisolation.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>

namespace {

QStringList videoFiles(const QString &folder)
{
    QStringList files;
    for (const QFileInfo &info : QDir(folder).entryInfoList(QDir::Files, QDir::Name))
        files.append(info.absoluteFilePath());
    return files;
}

qint64 residentKilobytes(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return 0;
}

struct ImportRun
{
    double seconds = 0;
    QString summary; // the command's last line (its counts)
    QList<qint64> residentKb; // samples every 100 ms
    int exitCode = -1;
};

ImportRun runImport(const QString &cli, const QStringList &arguments)
{
    ImportRun run;
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    QElapsedTimer timer;
    timer.start();
    process.start(cli, arguments);
    if (!process.waitForStarted(10000)) {
        run.summary = QStringLiteral("could not start %1").arg(cli);
        return run;
    }
    while (!process.waitForFinished(100))
        run.residentKb.append(residentKilobytes(process.processId()));
    run.seconds = timer.nsecsElapsed() / 1e9;
    run.exitCode = process.exitCode();
    const QStringList lines
        = QString::fromUtf8(process.readAll())
              .split(QRegularExpression(QStringLiteral("[\r\n]")), Qt::SkipEmptyParts);
    run.summary = lines.value(lines.size() - 1);
    return run;
}

double runThumbnailer(const QStringList &files, int jobs, bool *found)
{
    QTemporaryDir output;
    QElapsedTimer timer;
    timer.start();
    QList<QProcess *> running;
    int next = 0;
    *found = true;
    while (next < files.size() || !running.isEmpty()) {
        while (running.size() < jobs && next < files.size()) {
            auto *process = new QProcess;
            process->start(QStringLiteral("ffmpegthumbnailer"),
                { QStringLiteral("-i"), files[next], QStringLiteral("-o"),
                    QStringLiteral("%1/%2.jpg").arg(output.path()).arg(next), QStringLiteral("-s"),
                    QStringLiteral("0"), QStringLiteral("-t"), QStringLiteral("25%") });
            ++next;
            running.append(process);
        }
        QProcess *first = running.takeFirst();
        if (!first->waitForStarted(5000))
            *found = false;
        first->waitForFinished(60000);
        delete first;
        if (!*found)
            return 0;
    }
    return timer.nsecsElapsed() / 1e9;
}

QString memoryProfile(const QList<qint64> &samples)
{
    if (samples.isEmpty())
        return QStringLiteral("no samples");
    QStringList quarters;
    for (int q = 1; q <= 4; ++q)
        quarters.append(QString::number(
            samples[std::min<int>(samples.size() - 1, samples.size() * q / 4)] / 1024.0, 'f', 1));
    const qint64 peak = *std::max_element(samples.begin(), samples.end());
    return QStringLiteral("resident MB at each quarter of the run: %1; peak %2 MB")
        .arg(quarters.join(QStringLiteral(", ")))
        .arg(peak / 1024.0, 0, 'f', 1);
}

} // namespace

int main(int argc, char **argv)
{
    // Before anything reads HOME or the XDG folders; the media corpus stays in the user's cache.
    const vidarium::test::SettingsIsolation isolation(
        vidarium::test::SettingsIsolation::Cache::Shared);
    QCoreApplication app(argc, argv);
    av_log_set_level(AV_LOG_QUIET); // damaged corpus files would flood the figures
    std::setvbuf(stdout, nullptr, _IOLBF, 0); // each figure as soon as it is measured
    QStringList arguments = app.arguments().mid(1);
    auto option = [&](const QString &name, const QString &fallback) {
        const int at = int(arguments.indexOf(name));
        if (at < 0 || at + 1 >= arguments.size())
            return fallback;
        const QString value = arguments[at + 1];
        arguments.remove(at, 2);
        return value;
    };
    const int jobs = std::max(1, option(QStringLiteral("--jobs"), QStringLiteral("2")).toInt());
    const QString cli = option(QStringLiteral("--cli"),
        QCoreApplication::applicationDirPath() + QStringLiteral("/../src/cli/vidarium-cli"));
    const QString corpus = arguments.value(0,
        qEnvironmentVariable("XDG_CACHE_HOME", QDir::homePath() + QStringLiteral("/.cache"))
            + QStringLiteral("/vidarium-bench-media"));
    const QString mixedFolder = corpus + QStringLiteral("/mixed");
    const QString hdFolder = corpus + QStringLiteral("/hd");
    const QStringList files = videoFiles(mixedFolder) + videoFiles(hdFolder);
    if (files.isEmpty()) {
        std::fprintf(
            stderr, "No corpus in %s: run scripts/make-test-media first\n", qPrintable(corpus));
        return 2;
    }
    const QString jobText = QString::number(jobs);
    std::printf("%lld files, %d at a time\n", qint64(files.size()), jobs);

    int made = 0;
    const double floor = floorwork::runFloor(files, jobs, &made);
    std::printf("floor:           %7.2f s  %6.1f files/s  (%d files readable)\n", floor,
        files.size() / floor, made);

    QTemporaryDir libraries;
    const ImportRun av = runImport(cli,
        { QStringLiteral("import"), libraries.filePath(QStringLiteral("av.vidarium")), mixedFolder,
            hdFolder, QStringLiteral("--images"), QStringLiteral("now"), QStringLiteral("--jobs"),
            jobText });
    std::printf("import (av):     %7.2f s  %6.1f files/s  [%s]\n", av.seconds,
        files.size() / av.seconds, qPrintable(av.summary));
    std::printf("                 %s\n", qPrintable(memoryProfile(av.residentKb)));

    const ImportRun ff = runImport(cli,
        { QStringLiteral("import"), libraries.filePath(QStringLiteral("ff.vidarium")), mixedFolder,
            hdFolder, QStringLiteral("--tool"), QStringLiteral("ff"), QStringLiteral("--images"),
            QStringLiteral("now"), QStringLiteral("--jobs"), jobText });
    std::printf("import (--tool ff): %7.2f s  %6.1f files/s  [%s]\n", ff.seconds,
        files.size() / ff.seconds, qPrintable(ff.summary));

    bool thumbnailerFound = false;
    const double peer = runThumbnailer(files, jobs, &thumbnailerFound);
    if (thumbnailerFound)
        std::printf("ffmpegthumbnailer, one thumbnail per file: %7.2f s  %6.1f files/s\n", peer,
            files.size() / peer);
    else
        std::printf("ffmpegthumbnailer: not installed (scripts/setup installs it)\n");

    std::printf("import / floor:  %.2f (target <= 1.3)\n", av.seconds / floor);
    std::printf("ff / import:     %.1f (target >= 20)\n", ff.seconds / av.seconds);

    const QString badFolder = corpus + QStringLiteral("/bad");
    if (QDir(badFolder).exists()) {
        const ImportRun bad = runImport(cli,
            { QStringLiteral("import"), libraries.filePath(QStringLiteral("bad.vidarium")),
                mixedFolder, badFolder, QStringLiteral("--jobs"), jobText });
        std::printf("mixed + bad files: exit %d in %.2f s [%s]\n", bad.exitCode, bad.seconds,
            qPrintable(bad.summary));
    }
    return 0;
}
