#include "document/documentmigrationusher.h"
#include "model/medialibrary.h"
#include "model/mediauserfield.h"
#include "model/mediauserkeyword.h"

#include <gtest/gtest.h>

#include <QDir>

using namespace vidarium;

namespace {

QString fieldIdentifier(const MediaLibrary &library, const QString &name)
{
    for (const MediaUserFieldPtr &field : library.userFields()) {
        if (field->name() == name)
            return field->identifier();
    }
    return QString();
}

MediaElementPtr elementAt(const MediaLibrary &library, const QString &path)
{
    for (const MediaElementPtr &element : library.media()) {
        if (element->path() == path)
            return element;
    }
    return nullptr;
}

QStringList keywordNames(const MediaLibrary &library, const MediaElement &element)
{
    QStringList names;
    for (const QString &identifier : element.userKeywords())
        names.append(library.keywordNameForIdentifier(identifier));
    return names;
}

} // namespace

TEST(DocumentMigrationUsher, MapsColumnsToElementValuesKeywordsAndFields)
{
    const QByteArray csv = "\xEF\xBB\xBF"
                           "Name,Location,Rating,Notes,Tags,Director\r\n"
                           "\r\n"
                           "\"Beach, day\",/videos/./beach//day.mov,4 stars,\"Sun, \"\"sand\"\" "
                           "and sea\",Holiday; Beach; ; Beach,Ann\r\n"
                           "home,~/films/home.mkv,,plain,,\r\n"
                           "broken,/videos/broken.mov,3,\"note\"x,,Bob\r\n"
                           "short,/videos/short.mov,2\r\n"
                           "cut,/videos/cut.mov,5,\"first line\n"
                           "second line\",,Cy\r\n"
                           "again,/videos/../videos/again.mov,9,,Beach,\r\n";
    MediaLibrary library;
    DocumentMigrationUsher migration(library);
    ASSERT_TRUE(migration.readFromData(csv).ok());

    ASSERT_EQ(library.media().size(), 3);
    const QString director = fieldIdentifier(library, QStringLiteral("Director"));
    ASSERT_FALSE(director.isEmpty());
    EXPECT_EQ(library.userFields().size(), 1);

    MediaElementPtr beach = elementAt(library, QStringLiteral("/videos/beach/day.mov"));
    ASSERT_TRUE(beach);
    EXPECT_EQ(beach->rating(), 4);
    EXPECT_EQ(beach->userComments(), "Sun, \"sand\" and sea");
    EXPECT_EQ(keywordNames(library, *beach), QStringList({ "Holiday", "Beach" }));
    EXPECT_EQ(beach->valueForUndefinedKey(director), PlistValue(QStringLiteral("Ann")));
    EXPECT_EQ(beach->name(), "day"); // from the file, not the Name column

    MediaElementPtr home = elementAt(library, QDir::homePath() + QStringLiteral("/films/home.mkv"));
    ASSERT_TRUE(home);
    EXPECT_EQ(home->rating(), 0);
    EXPECT_TRUE(home->userKeywords().isEmpty());

    MediaElementPtr again = elementAt(library, QStringLiteral("/videos/again.mov"));
    ASSERT_TRUE(again);
    EXPECT_EQ(again->rating(), 5); // ratings stop at five stars
    EXPECT_EQ(keywordNames(library, *again), QStringList({ "Beach" }));

    // One keyword per tag text for the whole file.
    EXPECT_EQ(library.userKeywords().size(), 2);
    // The CSV error, the short line and both halves of the cut line.
    EXPECT_EQ(migration.skippedLines(), 4);
}

TEST(DocumentMigrationUsher, RefusesWhatIsNoUsherExport)
{
    struct Case
    {
        const char *name;
        QByteArray bytes;
    };
    const Case cases[] = {
        { "not utf-8", "Name,Location,Rating\ncaf\xE9,/v/a.mov,1\n" },
        { "header only", "Name,Location,Rating\n" },
        { "header only, no line feed", "Name,Location,Rating" },
        { "header lacks Rating", "Name,Location,Stars\na,/v/a.mov,1\n" },
        { "empty", "" },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        MediaLibrary library;
        DocumentMigrationUsher migration(library);
        EXPECT_FALSE(migration.readFromData(c.bytes).ok());
        EXPECT_TRUE(library.media().isEmpty());
    }
}

TEST(DocumentMigrationUsher, LaterColumnOfTheSameKeyWins)
{
    MediaLibrary library;
    DocumentMigrationUsher migration(library);
    ASSERT_TRUE(migration.readFromData("Rating,Name,Location,Rating\n2,a,/v/a.mov,3\n").ok());
    ASSERT_EQ(library.media().size(), 1);
    EXPECT_EQ(library.media().begin().value()->rating(), 3);
}
