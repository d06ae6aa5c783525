#include "clirun.h"
#include "testsupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

using namespace vidarium;

namespace {

using test::CliRun;

CliRun cli(const QStringList &arguments)
{
    return test::runCli(arguments);
}

// The rows of an exported text file, header first.
QList<QStringList> readExport(const QString &path)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_TRUE(bytes.startsWith("\xFF\xFE"));
    const QString text(
        reinterpret_cast<const QChar *>(bytes.constData() + 2), (bytes.size() - 2) / 2);
    QList<QStringList> rows;
    for (const QString &line : text.split(QLatin1Char('\n')))
        rows.append(line.split(QLatin1Char('\t')));
    return rows;
}

QStringList column(const QList<QStringList> &rows, int index)
{
    QStringList values;
    for (qsizetype i = 1; i < rows.size(); ++i)
        values.append(rows[i].value(index));
    return values;
}

} // namespace

TEST(OpenCommand, UsherExportBecomesALibraryThatExportsAsMapped)
{
    test::ScratchDir dir;
    QString error;
    ASSERT_TRUE(test::generateVideo(dir.filePath("beach.mp4"), {}, &error)) << error.toStdString();
    ASSERT_TRUE(test::generateVideo(dir.filePath("home.mp4"), {}, &error)) << error.toStdString();
    const QString v = dir.path();
    const QByteArray csv = QStringLiteral("Name,Location,Rating,Notes,Tags,Director,Take\r\n"
                                          "\r\n"
                                          "\"Beach, day\",%1/beach.mp4,4 stars,\"Sun, "
                                          "\"\"sand\"\"\",Holiday; Beach; ; Beach,Ann,1\r\n"
                                          "home,%1/./home.mp4,2,plain,Beach,\"Bob, Jr\",\r\n"
                                          "cut,%1/cut.mp4,3,\"first\n"
                                          "second\",,,\r\n"
                                          "short,%1/short.mp4,1\r\n"
                                          "gone,%1/gone.mp4,x,,,,\r\n")
                               .arg(v)
                               .toUtf8();
    QFile file(dir.filePath("usher.csv"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(csv);
    file.close();

    const QString library = dir.filePath("usher.vidarium");
    CliRun open = cli({ "open", file.fileName(), "--save", library });
    ASSERT_EQ(open.exitCode, 0) << open.err.toStdString();
    EXPECT_TRUE(open.out.contains("Saved 3 elements")) << open.out.toStdString();
    // The new library is never written over.
    EXPECT_EQ(cli({ "open", file.fileName(), "--save", library, "--no-import" }).exitCode, 1);

    const QString text = dir.filePath("all.txt");
    CliRun exported = cli({ "export", library, "--tsv", text, "--sort", "rating:desc" });
    ASSERT_EQ(exported.exitCode, 0) << exported.err.toStdString();
    const QList<QStringList> rows = readExport(text);
    ASSERT_EQ(rows.size(), 4);
    for (const QStringList &row : rows)
        EXPECT_EQ(row.size(), 17) << row.join('|').toStdString();
    EXPECT_EQ(rows[0].mid(15), QStringList({ "Director", "Take" }));
    EXPECT_EQ(column(rows, 0), QStringList({ "beach", "home", "gone" }));
    EXPECT_EQ(column(rows, 2), QStringList({ v + "/beach.mp4", v + "/home.mp4", v + "/gone.mp4" }));
    EXPECT_EQ(column(rows, 13), QStringList({ "4", "2", "0" }));
    EXPECT_EQ(column(rows, 14), QStringList({ "Sun, \"sand\"", "plain", "" }));
    EXPECT_EQ(column(rows, 15), QStringList({ "Ann", "Bob, Jr", "" }));
    EXPECT_EQ(column(rows, 16), QStringList({ "1", "", "" }));
    EXPECT_EQ(column(rows, 5), QStringList({ "320 x 240", "320 x 240", "0 x 0" })); // imported

    CliRun tagged = cli({ "export", library, "--tsv", dir.filePath("beach.txt"), "--where",
        "ANY userKeywordObjects.name == 'Beach'", "--sort", "name" });
    ASSERT_EQ(tagged.exitCode, 0) << tagged.err.toStdString();
    EXPECT_EQ(column(readExport(dir.filePath("beach.txt")), 0), QStringList({ "beach", "home" }));
    CliRun holiday = cli({ "export", library, "--tsv", dir.filePath("holiday.txt"), "--where",
        "ANY userKeywordObjects.name == 'Holiday'" });
    EXPECT_EQ(column(readExport(dir.filePath("holiday.txt")), 0), QStringList({ "beach" }));

    QDir().mkpath(dir.filePath("thumbs"));
    CliRun images
        = cli({ "export", library, "--images", "thumbnails", "--to", dir.filePath("thumbs") });
    ASSERT_EQ(images.exitCode, 0) << images.err.toStdString();
    EXPECT_EQ(QDir(dir.filePath("thumbs")).entryList(QDir::Files, QDir::Name),
        QStringList({ "beach.jpg", "home.jpg" }));
}

TEST(OpenCommand, OldestFormatBecomesANewLibraryWithItsLegacyFields)
{
    test::ScratchDir dir;
    const QString library = dir.filePath("migrated.vidarium");
    const CliRun open = cli({ "open", test::testDataPath("legacy/v1/Old.vidariumlibrary"), "--save",
        library, "--no-import" });
    ASSERT_EQ(open.exitCode, 0) << open.err.toStdString();
    const QString text = dir.filePath("old.txt");
    const CliRun exported
        = cli({ "export", library, "--tsv", text, "--collection", "Picked", "--sort", "name" });
    ASSERT_EQ(exported.exitCode, 0) << exported.err.toStdString();
    const QList<QStringList> rows = readExport(text);
    ASSERT_EQ(rows.size(), 3);
    for (const QStringList &row : rows)
        EXPECT_EQ(row.size(), 22);
    // Active fields come in name order.
    EXPECT_EQ(rows[0].mid(15),
        QStringList({ "Description", "Episode", "Genre", "Program", "Scene", "Season", "Studio" }));
    EXPECT_EQ(rows[1].mid(13, 1) + rows[1].mid(17, 1) + rows[1].mid(20, 1),
        QStringList({ "4", "Drama", "2" }));
    EXPECT_EQ(rows[2][0], "other");
    EXPECT_EQ(rows[2][17], " ");
}

TEST(OpenCommand, RefusesBadArgumentsAndUnreadableInput)
{
    test::ScratchDir dir;
    EXPECT_EQ(cli({ "open", dir.filePath("absent.csv"), "--save", dir.filePath("n") }).exitCode, 1);
    EXPECT_EQ(cli({ "open", dir.filePath("absent.csv") }).exitCode, 2);
    QFile file(dir.filePath("not.csv"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("Title,Path\nx,/y\n");
    file.close();
    const CliRun run = cli({ "open", file.fileName(), "--save", dir.filePath("n"), "--no-import" });
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("n.vidarium")));
    EXPECT_EQ(cli({ "export", dir.filePath("n.vidarium"), "--tsv" }).exitCode, 2);
    EXPECT_EQ(cli({ "export", dir.filePath("n.vidarium"), "--tsv", "a", "--to", "b" }).exitCode, 2);
}
