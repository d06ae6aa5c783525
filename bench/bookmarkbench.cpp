// Bookmark figures: what finding files again costs over a large library.
//
//   bench_bookmarkbench [--files 100000]
//
// Makes empty files in folders of 200, bookmarks them, and times, side by side
// with a bare stat() of each path: making bookmarks, resolving them unchanged,
// resolving after a tenth of the files were renamed, resolving after whole
// folders went away, and naming the volume of each path (what loading a
// library does per element). Prints microseconds per file and the ratio to stat.
//
// Last figures (2-core machine shared with other builds, load about 17, Release,
// 100,000 files; stat itself was slow at 9.3 us):
//   create 1.7x stat; resolve unchanged 1.3x; with 10% renamed 1.8x;
//   with 10% in folders that are gone 1.8x (281x before folder listings were
//   shared within a burst); volume name 1.0x. All 100,000 found after the
//   renames, 90,000 after the removals.

#include "platform/bookmark.h"
#include "platform/volumename.h"
#include "settingsisolation.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <sys/stat.h>

#include <cstdio>
#include <functional>

using namespace vidarium;

namespace {

constexpr int FilesPerFolder = 200;

double microsecondsPerItem(qsizetype count, const std::function<void()> &work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return double(timer.nsecsElapsed()) / 1000.0 / double(std::max<qsizetype>(count, 1));
}

void report(const char *what, double us, double baseline)
{
    std::printf("%-32s %8.2f us/file  %6.1fx stat\n", what, us, us / baseline);
}

} // namespace

int main(int argc, char **argv)
{
    // Before anything reads HOME or the XDG folders; the media corpus stays in the user's cache.
    const vidarium::test::SettingsIsolation isolation(
        vidarium::test::SettingsIsolation::Cache::Shared);
    QCoreApplication app(argc, argv);
    int files = 100000;
    const QStringList args = app.arguments();
    const qsizetype at = args.indexOf(QStringLiteral("--files"));
    if (at >= 0 && at + 1 < args.size())
        files = std::max(FilesPerFolder, args[at + 1].toInt());

    QTemporaryDir root;
    if (!root.isValid()) {
        std::fprintf(stderr, "cannot make a temporary folder\n");
        return 1;
    }
    QStringList paths;
    paths.reserve(files);
    for (int i = 0; i < files; ++i) {
        const QString folder
            = root.path() + QStringLiteral("/Films/Set %1").arg(i / FilesPerFolder);
        if (i % FilesPerFolder == 0)
            QDir().mkpath(folder);
        const QString path = folder + QStringLiteral("/Clip %1.mov").arg(i);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return 1;
        paths.append(path);
    }

    const double statUs = microsecondsPerItem(files, [&] {
        struct stat info
        {
        };
        for (const QString &path : paths)
            ::stat(QFile::encodeName(path).constData(), &info);
    });
    QList<QByteArray> bookmarks;
    bookmarks.reserve(files);
    const double createUs = microsecondsPerItem(files, [&] {
        for (const QString &path : paths)
            bookmarks.append(Bookmark::create(path));
    });
    int found = 0;
    const auto resolveAll = [&] {
        found = 0;
        for (const QByteArray &bookmark : bookmarks)
            found += Bookmark::resolve(bookmark).has_value();
    };
    const double unchangedUs = microsecondsPerItem(files, resolveAll);
    const int unchangedFound = found;

    for (int i = 0; i < files; i += 10)
        QFile::rename(paths[i],
            QFileInfo(paths[i]).absolutePath() + QStringLiteral("/Renamed %1.mov").arg(i));
    const double renamedUs = microsecondsPerItem(files, resolveAll);
    const int renamedFound = found;

    const int foldersGone = files / FilesPerFolder / 10;
    for (int f = 0; f < foldersGone; ++f)
        QDir(root.path() + QStringLiteral("/Films/Set %1").arg(f * 10)).removeRecursively();
    const double missingUs = microsecondsPerItem(files, resolveAll);
    const int missingFound = found;

    const double volumeUs = microsecondsPerItem(files, [&] {
        for (const QString &path : paths)
            (void)volumeNameForPath(path);
    });

    std::printf("%d files in folders of %d\n", files, FilesPerFolder);
    report("stat", statUs, statUs);
    report("create", createUs, statUs);
    report("resolve unchanged", unchangedUs, statUs);
    report("resolve, 10% renamed", renamedUs, statUs);
    report("resolve, 10% in folders gone", missingUs, statUs);
    report("volume name", volumeUs, statUs);
    std::printf("found: %d unchanged, %d after renames, %d after removals (of %d)\n",
        unchangedFound, renamedFound, missingFound, files);
    return 0;
}
