#include "model/applicationsettings.h"
#include "platform/userdefaults.h"

#include "testsupport.h"

#include <gtest/gtest.h>

#include <QLoggingCategory>

using namespace vidarium;

namespace {

QStringList capturedMessages;

void captureMessage(QtMsgType, const QMessageLogContext &, const QString &message)
{
    capturedMessages.append(message);
}

} // namespace

TEST(ApplicationSettings, SeedsOnlyKeysTheUserDoesNotHave)
{
    test::ScratchDir scratch;
    const QString file = scratch.filePath(QStringLiteral("settings.ini"));
    const PlistDictionary first = {
        { QStringLiteral("ImportImagesImmediately"), PlistValue(true) },
        { QStringLiteral("AVImporterMaximumOperations"), PlistValue(2) },
        { QStringLiteral("AllowableVideoFormats"),
            PlistArray { PlistDictionary {
                { QStringLiteral("Extension"), PlistValue(QStringLiteral("mov")) } } } },
    };
    {
        UserDefaults defaults(file);
        EXPECT_EQ(ApplicationSettings::createDefaults(defaults, first).size(), 3);
    }
    PlistDictionary later = first;
    later.insert(QStringLiteral("ImportImagesImmediately"), PlistValue(false));
    later.insert(QStringLiteral("AutoCompleteUserFields"), PlistValue(true));
    {
        UserDefaults defaults(file);
        defaults.setInteger(QStringLiteral("AVImporterMaximumOperations"), 6);
        EXPECT_EQ(ApplicationSettings::createDefaults(defaults, later),
            QStringList { QStringLiteral("AutoCompleteUserFields") });
    }
    UserDefaults reread(file);
    EXPECT_TRUE(reread.boolForKey(QStringLiteral("ImportImagesImmediately")));
    EXPECT_EQ(reread.integerForKey(QStringLiteral("AVImporterMaximumOperations")), 6);
    EXPECT_TRUE(reread.boolForKey(QStringLiteral("AutoCompleteUserFields")));
    EXPECT_EQ(ApplicationSettings::validExtensions(reread), QStringList { QStringLiteral("mov") });
}

TEST(ApplicationSettings, ValidExtensionsSkipEntriesWithoutATextExtension)
{
    test::ScratchDir scratch;
    UserDefaults defaults(scratch.filePath(QStringLiteral("settings.ini")));
    EXPECT_TRUE(ApplicationSettings::validExtensions(defaults).isEmpty());
    defaults.setArray(QStringLiteral("AllowableVideoFormats"),
        { PlistDictionary { { QStringLiteral("Extension"), PlistValue(QStringLiteral("mkv")) } },
            PlistDictionary { { QStringLiteral("Extension"), PlistValue(4) } },
            PlistDictionary {
                { QStringLiteral("Description"), PlistValue(QStringLiteral("none")) } },
            PlistValue(QStringLiteral("mp4")),
            PlistDictionary {
                { QStringLiteral("Extension"), PlistValue(QStringLiteral("avi")) } } });
    EXPECT_EQ(ApplicationSettings::validExtensions(defaults),
        (QStringList { QStringLiteral("mkv"), QStringLiteral("avi") }));
}

TEST(ApplicationSettings, ConsoleMessagesOnlyWhenAskedFor)
{
    test::ScratchDir scratch;
    UserDefaults defaults(scratch.filePath(QStringLiteral("settings.ini")));
    QLoggingCategory::setFilterRules(QStringLiteral("vidarium.info=true"));
    capturedMessages.clear();
    const QtMessageHandler previous = qInstallMessageHandler(captureMessage);
    ApplicationSettings::logConsoleMessage(defaults, QStringLiteral("quiet"));
    defaults.setBool(QStringLiteral("LogConsoleMessages"), true);
    ApplicationSettings::logConsoleMessage(defaults, QStringLiteral("heard"));
    qInstallMessageHandler(previous);
    EXPECT_EQ(capturedMessages, QStringList { QStringLiteral("heard") });
}

TEST(ApplicationSettings, VersionTextShowsTheBuildInHexadecimal)
{
    EXPECT_EQ(ApplicationSettings::versionString(QStringLiteral("3.5"), QStringLiteral("1234")),
        QStringLiteral("Version 3.5 (4D2)"));
    EXPECT_EQ(ApplicationSettings::versionString(QStringLiteral("3.5"), QStringLiteral("abc")),
        QStringLiteral("Version 3.5 (0)"));
    EXPECT_EQ(ApplicationSettings::versionString(QStringLiteral("1.0"), QStringLiteral("255b7")),
        QStringLiteral("Version 1.0 (FF)"));
    EXPECT_EQ(ApplicationSettings::versionString(QStringLiteral("1.0"), QStringLiteral("-1")),
        QStringLiteral("Version 1.0 (FFFFFFFF)"));
    EXPECT_TRUE(ApplicationSettings::versionString().startsWith(
        QStringLiteral("Version " VIDARIUM_VERSION " (")));
}
