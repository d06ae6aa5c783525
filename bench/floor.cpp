// The physical floor of the import's image work on this machine, and the lead
// of in-process key-frame grabbing over one `ffmpeg` run per frame.
//
//   bench_floor [CORPUS] [--jobs N]
//
// CORPUS is what scripts/make-test-media made (default ~/.cache/vidarium-bench-media);
// its mixed/ and hd/ folders are used. The floor opens each file once and, for
// the thumbnail, the 4 x 4 storyboard and the 5-frame filmstrip, seeks to each
// frame time, decodes the first key frame, scales it to the frame size and
// encodes each image as JPEG. The comparison runs `ffmpeg -ss T -i FILE
// -frames:v 1` for the same 22 frames of the mixed files, with the same number
// of files at a time.
//
// Last figures (2 cores shared with other builds, Release, --jobs 2): floor of
// 232 files 56.3 s (4.1 files/s); the 32 mixed files 8.5 s in process against
// 695 s for 704 ffmpeg runs, a lead of 82 x.

#include "floorwork.h"
#include "settingsisolation.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

namespace {

QStringList videoFiles(const QString &folder)
{
    QStringList files;
    for (const QFileInfo &info : QDir(folder).entryInfoList(QDir::Files, QDir::Name))
        files.append(info.absoluteFilePath());
    return files;
}

// The frame times and sizes the import asks for, as ffmpeg arguments per frame.
QList<QStringList> ffmpegRunsFor(const QString &path, const QString &outputFolder)
{
    floorwork::Decoder decoder;
    if (!decoder.open(path))
        return {};
    const AVCodecParameters *par = decoder.format->streams[decoder.stream]->codecpar;
    const double duration = decoder.seconds();
    QList<QStringList> runs;
    auto add = [&](double time, QSize size) {
        QStringList arguments = { QStringLiteral("-hide_banner"), QStringLiteral("-loglevel"),
            QStringLiteral("error"), QStringLiteral("-nostdin"), QStringLiteral("-y"),
            QStringLiteral("-ss"), QString::number(time, 'f', 3), QStringLiteral("-i"), path,
            QStringLiteral("-frames:v"), QStringLiteral("1") };
        if (!size.isEmpty())
            arguments << QStringLiteral("-s")
                      << QStringLiteral("%1x%2").arg(size.width()).arg(size.height());
        arguments << QStringLiteral("%1/%2.jpg").arg(outputFolder).arg(runs.size());
        runs.append(arguments);
    };
    add(0.25 * duration, {});
    for (auto kind :
        { vidarium::ImageSheet::Kind::Storyboard, vidarium::ImageSheet::Kind::Filmstrip }) {
        const vidarium::ImageSheet sheet = vidarium::ImageSheet::fromMetrics(
            kind, floorwork::defaultMetrics(), par->width, par->height);
        for (double time : sheet.frameTimes(float(duration)))
            add(time, sheet.framePixelSize());
    }
    return runs;
}

double runFfmpegPerFrame(const QStringList &files, int jobs, int *runsMade)
{
    QTemporaryDir output;
    QList<QStringList> runs;
    for (const QString &file : files)
        runs += ffmpegRunsFor(file, output.path());
    *runsMade = int(runs.size());
    QElapsedTimer timer;
    timer.start();
    QList<QProcess *> running;
    int next = 0;
    while (next < runs.size() || !running.isEmpty()) {
        while (running.size() < jobs && next < runs.size()) {
            auto *process = new QProcess;
            process->start(QStringLiteral("ffmpeg"), runs[next++]);
            running.append(process);
        }
        running.first()->waitForFinished(60000);
        delete running.takeFirst();
    }
    return timer.nsecsElapsed() / 1e9;
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
    int jobs = 2;
    const int jobsAt = int(arguments.indexOf(QStringLiteral("--jobs")));
    if (jobsAt >= 0 && jobsAt + 1 < arguments.size()) {
        jobs = std::max(1, arguments[jobsAt + 1].toInt());
        arguments.remove(jobsAt, 2);
    }
    const QString corpus = arguments.value(0,
        qEnvironmentVariable("XDG_CACHE_HOME", QDir::homePath() + QStringLiteral("/.cache"))
            + QStringLiteral("/vidarium-bench-media"));
    const QStringList mixed = videoFiles(corpus + QStringLiteral("/mixed"));
    const QStringList hd = videoFiles(corpus + QStringLiteral("/hd"));
    if (mixed.isEmpty()) {
        std::fprintf(
            stderr, "No corpus in %s: run scripts/make-test-media first\n", qPrintable(corpus));
        return 2;
    }

    int made = 0;
    const double floorAll = floorwork::runFloor(mixed + hd, jobs, &made);
    std::printf("floor, %lld files (%d readable), %d at a time: %.2f s, %.1f files/s\n",
        qint64(mixed.size() + hd.size()), made, jobs, floorAll,
        (mixed.size() + hd.size()) / floorAll);

    const double floorMixed = floorwork::runFloor(mixed, jobs);
    int runs = 0;
    const double perFrame = runFfmpegPerFrame(mixed, jobs, &runs);
    std::printf("mixed files (%lld): in-process key frames %.2f s; one ffmpeg run per frame "
                "(%d runs) %.2f s; lead %.1fx\n",
        qint64(mixed.size()), floorMixed, runs, perFrame, perFrame / floorMixed);
    return 0;
}
