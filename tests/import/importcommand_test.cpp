// vidarium-cli import, run as the user runs it.

#include "document/document.h"
#include "faketools.h"
#include "model/medialibrary.h"
#include "platform/filepath.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <cstdio>

#include <algorithm>

using namespace vidarium;

namespace {

struct CliRun
{
    int exitCode = -1;
    QString output;
    QString errors;
};

CliRun runCli(const test::ScratchDir &scratch, const QStringList &arguments)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // The user's own settings stay out of it.
    environment.insert(
        QStringLiteral("XDG_CONFIG_HOME"), scratch.filePath(QStringLiteral("config")));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(VIDARIUM_CLI), arguments);
    process.waitForFinished(240000);
    return { process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
        QString::fromUtf8(process.readAllStandardOutput()),
        QString::fromUtf8(process.readAllStandardError()) };
}

void makeVideo(const QString &path)
{
    test::GeneratedVideo recipe;
    recipe.width = 160;
    recipe.height = 120;
    recipe.seconds = 2.0;
    recipe.audioCodec = QStringLiteral("aac");
    QString error;
    ASSERT_TRUE(test::generateVideo(path, recipe, &error)) << error.toStdString();
}

} // namespace

TEST(ImportCommand, CataloguesReadableFilesWithImagesAndKeepsBadOnesAsUnreadable)
{
    test::ScratchDir scratch;
    const QString folder = scratch.filePath(QStringLiteral("videos"));
    QDir().mkpath(folder);
    makeVideo(folder + QStringLiteral("/one.mp4"));
    makeVideo(folder + QStringLiteral("/two.mov"));
    makeVideo(folder + QStringLiteral("/HANG.mp4")); // the fake programs never end on it
    {
        QFile text(folder + QStringLiteral("/notes.mp4"));
        ASSERT_TRUE(text.open(QIODevice::WriteOnly));
        text.write("not a video\n");
        QFile whole(folder + QStringLiteral("/one.mp4"));
        ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
        QFile truncated(folder + QStringLiteral("/truncated.mp4"));
        ASSERT_TRUE(truncated.open(QIODevice::WriteOnly));
        truncated.write(whole.read(whole.size() / 3));
    }
    const QString library = scratch.filePath(QStringLiteral("Test.vidarium"));
    const QStringList arguments { QStringLiteral("import"), library, folder,
        QStringLiteral("--tool"), QStringLiteral("ff"), QStringLiteral("--jobs"),
        QStringLiteral("2"), QStringLiteral("--time-limit"), QStringLiteral("5"),
        QStringLiteral("--ffprobe"),
        test::fakeTool(scratch.path(), QStringLiteral("ffprobe"), QStringLiteral("pass")),
        QStringLiteral("--ffmpeg"),
        test::fakeTool(scratch.path(), QStringLiteral("ffmpeg"), QStringLiteral("pass")) };
    const CliRun run = runCli(scratch, arguments);
    ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();
    EXPECT_TRUE(run.output.contains(QLatin1String("2 imported, 3 unreadable, 0 skipped")))
        << run.output.toStdString();
    // Output is not a terminal: plain lines, ending idle with every file done.
    EXPECT_TRUE(run.output.contains(QLatin1String("Idle  5/5 files"))) << run.output.toStdString();
    EXPECT_TRUE(run.output.contains(QLatin1String("Importing 5 Properties")));

    Document document;
    ASSERT_TRUE(document.readFromPath(library).ok());
    const MediaLibrary &catalogue = document.library();
    EXPECT_EQ(catalogue.media().size(), 2);
    EXPECT_EQ(catalogue.error().size(), 3);
    for (const MediaElementPtr &element : catalogue.media()) {
        SCOPED_TRACE(element->path().toStdString());
        EXPECT_EQ(element->assets(), int(AssetsComplete));
        EXPECT_EQ(element->pixelsWide(), 160);
        EXPECT_FALSE(element->videoCodec().isEmpty());
        const auto size = [&](ElementImage image) {
            return QImage::fromData(document.packageImageData(image, element->identifier()), "JPEG")
                .size();
        };
        EXPECT_EQ(size(ElementImage::Thumbnail), QSize(160, 120));
        EXPECT_EQ(size(ElementImage::Storyboard), QSize(393, 297)); // 4 x 4 frames of 96 x 72
        EXPECT_EQ(size(ElementImage::Filmstrip), QSize(488, 58));
    }

    // A second run finds nothing new.
    const CliRun again = runCli(scratch, arguments);
    ASSERT_EQ(again.exitCode, 0) << again.errors.toStdString();
    EXPECT_TRUE(again.output.contains(QLatin1String("0 imported, 0 unreadable, 5 skipped")))
        << again.output.toStdString();
}

TEST(ImportCommand, RefusesWhatItCannotDo)
{
    test::ScratchDir scratch;
    EXPECT_EQ(runCli(scratch, { QStringLiteral("import"), scratch.filePath(QStringLiteral("L")) })
                  .exitCode,
        2);
    EXPECT_EQ(runCli(scratch,
                  { QStringLiteral("import"), scratch.filePath(QStringLiteral("L")), scratch.path(),
                      QStringLiteral("--jobs"), QStringLiteral("9") })
                  .exitCode,
        2);
    EXPECT_EQ(runCli(scratch,
                  { QStringLiteral("import"), scratch.filePath(QStringLiteral("L")),
                      scratch.filePath(QStringLiteral("missing")) })
                  .exitCode,
        1);
    const CliRun noPrograms = runCli(scratch,
        { QStringLiteral("import"), scratch.filePath(QStringLiteral("L")), scratch.path(),
            QStringLiteral("--tool"), QStringLiteral("ff"), QStringLiteral("--ffprobe"),
            QStringLiteral("/nonexistent/ffprobe") });
    EXPECT_NE(noPrograms.exitCode, 0);
    EXPECT_FALSE(QFile::exists(scratch.filePath(QStringLiteral("L.vidarium"))));
}

TEST(ImportCommand, ImportsFilesWhoseNamesAreNotUtf8WithEitherTool)
{
    test::ScratchDir scratch;
    const QString folder = scratch.filePath(QStringLiteral("latin"));
    const QByteArray raw = QFile::encodeName(folder);
    ASSERT_TRUE(QDir().mkpath(folder + QStringLiteral("/sub")));
    makeVideo(folder + QStringLiteral("/one.mp4"));
    makeVideo(folder + QStringLiteral("/sub/two.mov"));
    // Named as an old drive names them: Latin-1 bytes, in a file and in a folder.
    const QByteArray first = raw + "/caf\xe9.mp4";
    const QByteArray second = raw + "/Vac\xe9s/pla\xefge.mov";
    ASSERT_EQ(::rename((raw + "/one.mp4").constData(), first.constData()), 0);
    ASSERT_EQ(::rename((raw + "/sub").constData(), (raw + "/Vac\xe9s").constData()), 0);
    ASSERT_EQ(::rename((raw + "/Vac\xe9s/two.mov").constData(), second.constData()), 0);

    for (const QString tool : { QStringLiteral("av"), QStringLiteral("ff") }) {
        SCOPED_TRACE(tool.toStdString());
        const QString library = scratch.filePath(tool + QStringLiteral(".vidarium"));
        const CliRun run = runCli(scratch,
            { QStringLiteral("import"), library, folder, QStringLiteral("--tool"), tool,
                QStringLiteral("--ffprobe"),
                test::fakeTool(scratch.path(), QStringLiteral("ffprobe"), QStringLiteral("pass")),
                QStringLiteral("--ffmpeg"),
                test::fakeTool(scratch.path(), QStringLiteral("ffmpeg"), QStringLiteral("pass")) });
        ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();
        EXPECT_TRUE(run.output.contains(QLatin1String("2 imported, 0 unreadable, 0 skipped")))
            << run.output.toStdString();

        Document document;
        ASSERT_TRUE(document.readFromPath(library).ok());
        QList<QByteArray> paths;
        for (const MediaElementPtr &element : document.library().media()) {
            paths.append(encodePath(element->path()));
            EXPECT_TRUE(element->fileExists());
            EXPECT_EQ(element->assets(), int(AssetsComplete));
            EXPECT_EQ(element->pixelsWide(), 160);
            EXPECT_EQ(QImage::fromData(
                          document.packageImageData(ElementImage::Thumbnail, element->identifier()),
                          "JPEG")
                          .size(),
                QSize(160, 120));
        }
        std::sort(paths.begin(), paths.end());
        EXPECT_EQ(paths, (QList<QByteArray> { second, first }));
    }

    // Named directly, as the shell hands it over: bytes, not UTF-8.
    QProcess shell;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(
        QStringLiteral("XDG_CONFIG_HOME"), scratch.filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("CLI"), QStringLiteral(VIDARIUM_CLI));
    environment.insert(QStringLiteral("LIBRARY"), scratch.filePath(QStringLiteral("av.vidarium")));
    environment.insert(QStringLiteral("FOLDER"), folder);
    shell.setProcessEnvironment(environment);
    shell.start(QStringLiteral("/bin/sh"),
        { QStringLiteral("-c"),
            QStringLiteral(
                "exec \"$CLI\" import \"$LIBRARY\" \"$FOLDER/$(printf 'caf\\351.mp4')\"") });
    ASSERT_TRUE(shell.waitForFinished(240000));
    EXPECT_EQ(shell.exitCode(), 0) << shell.readAllStandardError().toStdString();
    EXPECT_TRUE(shell.readAllStandardOutput().contains("0 imported, 0 unreadable, 1 skipped"));
}

TEST(ImportCommand, OnAFreshMachineRunsTheProgramsOnThePathAndKeepsBadFilesUnreadable)
{
    test::ScratchDir scratch;
    const QString bin = scratch.filePath(QStringLiteral("bin"));
    ASSERT_TRUE(QDir().mkpath(bin));
    for (const QString &program : { QStringLiteral("ffprobe"), QStringLiteral("ffmpeg") }) {
        const QString installed = QStandardPaths::findExecutable(program);
        ASSERT_FALSE(installed.isEmpty()) << "set-up installs " << program.toStdString();
        ASSERT_TRUE(QFile::link(installed, bin + QLatin1Char('/') + program));
    }
    const QString folder = scratch.filePath(QStringLiteral("videos"));
    QDir().mkpath(folder);
    makeVideo(folder + QStringLiteral("/one.mp4"));
    {
        QFile(folder + QStringLiteral("/empty.mp4")).open(QIODevice::WriteOnly);
        QFile text(folder + QStringLiteral("/notes.mp4"));
        ASSERT_TRUE(text.open(QIODevice::WriteOnly));
        text.write("not a video\n");
        QFile whole(folder + QStringLiteral("/one.mp4"));
        ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
        QFile truncated(folder + QStringLiteral("/truncated.mp4"));
        ASSERT_TRUE(truncated.open(QIODevice::WriteOnly));
        truncated.write(whole.read(whole.size() / 3));
    }
    // No settings yet, and only the PATH knows where the programs are.
    const test::ScopedSearchPath path(bin);
    const QString programs = QStringLiteral("Programs: ffprobe %1/ffprobe (found on the PATH), "
                                            "ffmpeg %1/ffmpeg (found on the PATH)")
                                 .arg(bin);
    for (const QString &tool : { QStringLiteral("av"), QStringLiteral("ff") }) {
        SCOPED_TRACE(tool.toStdString());
        const QString library = scratch.filePath(tool + QStringLiteral(".vidarium"));
        const CliRun run = runCli(
            scratch, { QStringLiteral("import"), library, folder, QStringLiteral("--tool"), tool });
        ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();
        EXPECT_TRUE(run.output.contains(QLatin1String("1 imported, 3 unreadable, 0 skipped")))
            << run.output.toStdString();
        EXPECT_TRUE(run.output.contains(programs)) << run.output.toStdString();
        EXPECT_FALSE(run.errors.contains(QLatin1String("not found"))) << run.errors.toStdString();
    }
}
