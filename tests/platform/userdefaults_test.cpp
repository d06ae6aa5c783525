#include "platform/userdefaults.h"

#include "testsupport.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace vidarium;
using vidarium::test::ScratchDir;

namespace {

// What a later run of the program reads: the file as written, parsed afresh
// (QSettings keeps what it wrote in memory for the same path).
std::unique_ptr<UserDefaults> reopenedCopy(
    ScratchDir &scratch, UserDefaults &defaults, const QString &original)
{
    EXPECT_TRUE(defaults.synchronize());
    static int copies = 0;
    const QString copy = scratch.filePath(QStringLiteral("copy%1.ini").arg(++copies));
    EXPECT_TRUE(QFile::copy(original, copy));
    return std::make_unique<UserDefaults>(copy);
}

PlistDictionary fileType(const QString &extension)
{
    return { { QStringLiteral("Extension"), PlistValue(extension) },
        { QStringLiteral("Description"), PlistValue(QStringLiteral("Untitled")) },
        { QStringLiteral("Identifier"),
            PlistValue(QStringLiteral("0C6E6C67-6D8E-4C58-9D05-2B2A3C6E1F00")) } };
}

} // namespace

TEST(UserDefaults, TypedValuesSurviveARestart)
{
    ScratchDir scratch;
    const QString path = scratch.filePath(QStringLiteral("settings.ini"));
    UserDefaults defaults(path);
    defaults.setBool(QStringLiteral("ImportImagesImmediately"), true);
    defaults.setBool(QStringLiteral("OpenLastDocument"), false);
    defaults.setInteger(QStringLiteral("AVImporterMaximumOperations"), 4);
    defaults.setDouble(QStringLiteral("Ratio"), 0.25);
    defaults.setString(QStringLiteral("Name"), QStringLiteral("@looks, like, a list"));
    defaults.setData(QStringLiteral("FFmpegBookmark"), QByteArray("\x00\x01\xff", 3));
    defaults.setData(QStringLiteral("FFprobeBookmark"), QByteArray());
    defaults.setArray(QStringLiteral("DocumentsToRestore"),
        { PlistValue(QByteArray("one")), PlistValue(QByteArray("two")) });
    defaults.setArray(QStringLiteral("Empty"), {});
    defaults.setArray(QStringLiteral("Single"), { PlistValue(QStringLiteral("only")) });
    defaults.setArray(QStringLiteral("Numbers"), { PlistValue(1), PlistValue(2) });
    defaults.setArray(QStringLiteral("AllowableVideoFormats"),
        { PlistValue(fileType(QStringLiteral("mov"))),
            PlistValue(fileType(QStringLiteral("mkv"))) });

    const auto reread = reopenedCopy(scratch, defaults, path);
    EXPECT_TRUE(reread->boolForKey(QStringLiteral("ImportImagesImmediately")));
    EXPECT_FALSE(reread->boolForKey(QStringLiteral("OpenLastDocument")));
    EXPECT_TRUE(reread->hasUserValue(QStringLiteral("OpenLastDocument")));
    EXPECT_EQ(reread->integerForKey(QStringLiteral("AVImporterMaximumOperations")), 4);
    EXPECT_DOUBLE_EQ(reread->doubleForKey(QStringLiteral("Ratio")), 0.25);
    EXPECT_EQ(reread->stringForKey(QStringLiteral("Name")), QStringLiteral("@looks, like, a list"));
    EXPECT_EQ(reread->dataForKey(QStringLiteral("FFmpegBookmark")), QByteArray("\x00\x01\xff", 3));
    EXPECT_TRUE(reread->dataForKey(QStringLiteral("FFprobeBookmark")).isEmpty());
    EXPECT_EQ(reread->object(QStringLiteral("DocumentsToRestore")),
        PlistValue(PlistArray { PlistValue(QByteArray("one")), PlistValue(QByteArray("two")) }));
    EXPECT_EQ(reread->object(QStringLiteral("Empty")), PlistValue(PlistArray {}));
    EXPECT_EQ(
        reread->stringListForKey(QStringLiteral("Single")), QStringList { QStringLiteral("only") });
    EXPECT_EQ(reread->object(QStringLiteral("Numbers")),
        PlistValue(PlistArray { PlistValue(1), PlistValue(2) }));
    const PlistArray types = reread->arrayForKey(QStringLiteral("AllowableVideoFormats"));
    ASSERT_EQ(types.size(), 2);
    EXPECT_EQ(types[1], PlistValue(fileType(QStringLiteral("mkv"))));
}

TEST(UserDefaults, MissingKeysReadAsNothingAndWrongTypesAsNeutralValues)
{
    ScratchDir scratch;
    UserDefaults defaults(scratch.filePath(QStringLiteral("settings.ini")));
    EXPECT_FALSE(defaults.object(QStringLiteral("Nope")).isValid());
    EXPECT_FALSE(defaults.boolForKey(QStringLiteral("Nope")));
    EXPECT_EQ(defaults.integerForKey(QStringLiteral("Nope")), 0);
    EXPECT_EQ(defaults.stringForKey(QStringLiteral("Nope")), QString());
    EXPECT_TRUE(defaults.arrayForKey(QStringLiteral("Nope")).isEmpty());

    defaults.setString(QStringLiteral("Text"), QStringLiteral("abc"));
    EXPECT_EQ(defaults.integerForKey(QStringLiteral("Text")), 0);
    EXPECT_TRUE(defaults.dataForKey(QStringLiteral("Text")).isEmpty());
    EXPECT_TRUE(defaults.dictionaryForKey(QStringLiteral("Text")).isEmpty());

    // Setting nothing removes the value.
    defaults.setObject(QStringLiteral("Text"), PlistValue::null());
    EXPECT_FALSE(defaults.hasUserValue(QStringLiteral("Text")));
}

TEST(UserDefaults, RegisteredValuesAreFallbacksThatAreNeverWritten)
{
    ScratchDir scratch;
    const QString path = scratch.filePath(QStringLiteral("settings.ini"));
    UserDefaults defaults(path);
    defaults.registerDefaults({ { QStringLiteral("FFImporterMaximumOperations"), PlistValue(2) },
        { QStringLiteral("UseColorIcons"), PlistValue(true) } });
    defaults.registerDefaults({ { QStringLiteral("UseColorIcons"), PlistValue(false) } });
    EXPECT_EQ(defaults.integerForKey(QStringLiteral("FFImporterMaximumOperations")), 2);
    EXPECT_FALSE(defaults.boolForKey(QStringLiteral("UseColorIcons")));
    EXPECT_FALSE(defaults.hasUserValue(QStringLiteral("FFImporterMaximumOperations")));

    defaults.setInteger(QStringLiteral("FFImporterMaximumOperations"), 6);
    EXPECT_EQ(defaults.integerForKey(QStringLiteral("FFImporterMaximumOperations")), 6);
    defaults.removeObject(QStringLiteral("FFImporterMaximumOperations"));
    EXPECT_EQ(defaults.integerForKey(QStringLiteral("FFImporterMaximumOperations")), 2);

    defaults.setBool(QStringLiteral("SearchFCPXPackages"), true);
    const auto reread = reopenedCopy(scratch, defaults, path);
    EXPECT_EQ(reread->userKeys(), QStringList { QStringLiteral("SearchFCPXPackages") });
    EXPECT_FALSE(reread->object(QStringLiteral("UseColorIcons")).isValid());
}

TEST(UserDefaults, StandardSettingsCanBeSubstitutedInTests)
{
    ScratchDir scratch;
    UserDefaults substitute(scratch.filePath(QStringLiteral("settings.ini")));
    substitute.setBool(QStringLiteral("LogConsoleMessages"), true);
    UserDefaults::setStandardForTesting(&substitute);
    EXPECT_EQ(&UserDefaults::standard(), &substitute);
    EXPECT_TRUE(UserDefaults::standard().boolForKey(QStringLiteral("LogConsoleMessages")));
    UserDefaults::setStandardForTesting(nullptr);
    EXPECT_NE(&UserDefaults::standard(), &substitute);
}

TEST(UserDefaults, ReadsHandWrittenSettingsFiles)
{
    ScratchDir scratch;
    const QString path = scratch.filePath(QStringLiteral("hand.ini"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[General]\nShowWelcomeWindow=true\nToolbarPlayAction=2\nSearchCommentsField=0\n"
               "Ratio=1.5\nList=a, b\nBroken=@Variant(\\0\\0)\n");
    file.close();
    UserDefaults defaults(path);
    EXPECT_TRUE(defaults.boolForKey(QStringLiteral("ShowWelcomeWindow")));
    EXPECT_EQ(defaults.integerForKey(QStringLiteral("ToolbarPlayAction")), 2);
    EXPECT_FALSE(defaults.boolForKey(QStringLiteral("SearchCommentsField")));
    EXPECT_DOUBLE_EQ(defaults.doubleForKey(QStringLiteral("Ratio")), 1.5);
    EXPECT_EQ(defaults.stringListForKey(QStringLiteral("List")),
        (QStringList { QStringLiteral("a"), QStringLiteral("b") }));
    EXPECT_FALSE(defaults.boolForKey(QStringLiteral("Broken")));
}
