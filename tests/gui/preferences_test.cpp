#include "guitestsupport.h"

#include "app/filetypesmodel.h"
#include "app/preferencescontroller.h"
#include "model/applicationsettings.h"
#include "model/definitions.h"
#include "platform/userdefaults.h"

#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace vidarium;
using namespace vidarium::test;

namespace {

using Tool = PreferencesController::Tool;

QString fakeProgram(const QString &path)
{
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write("#!/bin/sh\n");
    file.close();
    file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
    return path;
}

class PreferencesTest : public ::testing::Test
{
protected:
    void SetUp() override { resetTestDefaults(); }
    ScratchDir scratch;
};

} // namespace

TEST_F(PreferencesTest, ToolRowsSayNoneSelectedAfterRemoveAndNotSelectedWhenReopened)
{
    PreferencesController preferences(testDefaults());
    const QString ffmpeg = fakeProgram(scratch.filePath(QStringLiteral("ffmpeg-4.4")));
    ASSERT_TRUE(preferences.chooseTool(Tool::FFmpeg, ffmpeg));
    EXPECT_EQ(preferences.toolPathText(Tool::FFmpeg), QFileInfo(ffmpeg).absoluteFilePath());
    EXPECT_TRUE(preferences.isRemoveButtonVisible(Tool::FFmpeg));
    EXPECT_FALSE(testDefaults().dataForKey(QStringLiteral("FFmpegBookmark")).isEmpty());

    preferences.removeTool(Tool::FFmpeg);
    EXPECT_EQ(preferences.toolPathText(Tool::FFmpeg), QStringLiteral("None Selected"));
    EXPECT_FALSE(preferences.isRemoveButtonVisible(Tool::FFmpeg));
    EXPECT_TRUE(testDefaults().dataForKey(QStringLiteral("FFmpegBookmark")).isEmpty());
    preferences.showPreferencesWindow();
    EXPECT_EQ(preferences.toolPathText(Tool::FFmpeg), QStringLiteral("Not Selected"));
    EXPECT_EQ(preferences.currentPane(), PreferencesController::GeneralPane);

    // A chosen program that went away: the row says so, the choice is kept.
    const QString ffprobe = fakeProgram(scratch.filePath(QStringLiteral("ffprobe")));
    ASSERT_TRUE(preferences.chooseTool(Tool::FFprobe, ffprobe));
    QFile::remove(ffprobe);
    preferences.hide();
    preferences.showPreferencesWindow();
    EXPECT_EQ(preferences.toolPathText(Tool::FFprobe), QStringLiteral("Not Selected"));
    EXPECT_TRUE(preferences.isRemoveButtonVisible(Tool::FFprobe));
    EXPECT_FALSE(testDefaults().dataForKey(QStringLiteral("FFprobeBookmark")).isEmpty());
    preferences.hide();
}

TEST_F(PreferencesTest, ToolFilesMustBeginWithTheProgramNameInTheSameCase)
{
    PreferencesController preferences(testDefaults());
    const QString good = fakeProgram(scratch.filePath(QStringLiteral("ffmpeg-4.4")));
    const QString wrongCase = fakeProgram(scratch.filePath(QStringLiteral("FFmpeg")));
    EXPECT_TRUE(
        PreferencesController::toolFileAcceptable(QFileInfo(good), QStringLiteral("ffmpeg")));
    EXPECT_FALSE(
        PreferencesController::toolFileAcceptable(QFileInfo(wrongCase), QStringLiteral("ffmpeg")));
    EXPECT_TRUE(PreferencesController::toolFileAcceptable(
        QFileInfo(scratch.path()), QStringLiteral("ffmpeg")));
    EXPECT_FALSE(preferences.chooseTool(Tool::FFmpeg, wrongCase));
    EXPECT_FALSE(preferences.chooseTool(Tool::FFprobe, good));
    EXPECT_FALSE(preferences.chooseTool(Tool::FFmpeg, scratch.path()));
    EXPECT_TRUE(testDefaults().dataForKey(QStringLiteral("FFmpegBookmark")).isEmpty());
    EXPECT_TRUE(preferences.chooseTool(Tool::FFmpeg, good));
}

TEST_F(PreferencesTest, FileTypesAreNormalisedAndStoredOnlyOnceTheyHaveAnExtension)
{
    FileTypesModel types(testDefaults());
    const int before = types.rowCount();
    ASSERT_GT(before, 0);
    const int row = types.addType();
    EXPECT_EQ(types.descriptionAt(row), QStringLiteral("Untitled"));
    // The new entry is not stored while its extension is empty.
    EXPECT_EQ(ApplicationSettings::validExtensions(testDefaults()).size(), before);
    EXPECT_FALSE(ApplicationSettings::validExtensions(testDefaults()).contains(QString()));

    const QModelIndex extension = types.index(row, FileTypesModel::ExtensionColumn);
    EXPECT_FALSE(types.setData(extension, QStringLiteral("  "), Qt::EditRole));
    EXPECT_FALSE(types.setData(extension, QStringLiteral(".MP4"), Qt::EditRole)); // a duplicate
    EXPECT_TRUE(types.setData(extension, QStringLiteral(" ..Y4M "), Qt::EditRole));
    EXPECT_EQ(types.extensionAt(row), QStringLiteral("y4m"));
    EXPECT_TRUE(
        ApplicationSettings::validExtensions(testDefaults()).contains(QStringLiteral("y4m")));
    EXPECT_FALSE(types.setData(
        types.index(row, FileTypesModel::DescriptionColumn), QString(), Qt::EditRole));

    types.removeTypes({ row });
    EXPECT_FALSE(
        ApplicationSettings::validExtensions(testDefaults()).contains(QStringLiteral("y4m")));
}

TEST_F(PreferencesTest, RestoringDefaultTypesReplacesTheWholeList)
{
    FileTypesModel types(testDefaults());
    const int shipped = types.rowCount();
    const int row = types.addType();
    ASSERT_TRUE(types.setData(
        types.index(row, FileTypesModel::ExtensionColumn), QStringLiteral("xyz"), Qt::EditRole));
    types.removeTypes({ 0, 1 });
    types.restoreDefaultTypes(
        Definitions::shared().applicationDefaults().value(FileTypesModel::SettingsKey).toArray());
    EXPECT_EQ(types.rowCount(), shipped);
    EXPECT_FALSE(
        ApplicationSettings::validExtensions(testDefaults()).contains(QStringLiteral("xyz")));
}

TEST_F(PreferencesTest, StoredTypesOfTheWrongKindCountAsAbsent)
{
    testDefaults().setString(FileTypesModel::SettingsKey, QStringLiteral("mp4"));
    FileTypesModel types(testDefaults());
    EXPECT_EQ(types.rowCount(), 0);
    testDefaults().setArray(FileTypesModel::SettingsKey,
        { PlistValue(QStringLiteral("mp4")),
            PlistValue(PlistDictionary { { QStringLiteral("Extension"), PlistValue(qint64(4)) } }),
            PlistValue(PlistDictionary {
                { QStringLiteral("Extension"), PlistValue(QStringLiteral("mkv")) } }) });
    types.reload();
    ASSERT_EQ(types.rowCount(), 1);
    EXPECT_EQ(types.extensionAt(0), QStringLiteral("mkv"));
}

TEST_F(PreferencesTest, EveryPaneCanBeShown)
{
    PreferencesController preferences(testDefaults());
    preferences.showPreferencesWindow();
    for (int tag : { 2, 3, 1 }) {
        preferences.displayTabContentViewForTag(tag);
        EXPECT_EQ(preferences.currentPane(), tag);
    }
    preferences.displayTabContentViewForTag(9);
    EXPECT_EQ(preferences.currentPane(), 1);
    preferences.hide();
}
