#pragma once

// The names of the application settings, as stored in the user's settings file
// and seeded from the "ApplicationDefaults" definition table. Every reader and
// writer of a setting names it through these constants.
// Threads: any; constants only.

#include <QString>

namespace vidarium::SettingKey {

// Import
inline const QString ImportImagesImmediately = QStringLiteral("ImportImagesImmediately");
inline const QString AVImporterMaximumOperations = QStringLiteral("AVImporterMaximumOperations");
inline const QString FFImporterMaximumOperations = QStringLiteral("FFImporterMaximumOperations");
inline const QString FFprobeBookmark = QStringLiteral("FFprobeBookmark");
inline const QString FFmpegBookmark = QStringLiteral("FFmpegBookmark");
inline const QString AllowableVideoFormats = QStringLiteral("AllowableVideoFormats");
inline const QString SearchFCPXPackages = QStringLiteral("SearchFCPXPackages");

// Start-up and session
inline const QString OpenLastDocument = QStringLiteral("OpenLastDocument");
inline const QString ShowWelcomeWindow = QStringLiteral("ShowWelcomeWindow");
inline const QString DocumentsToRestore = QStringLiteral("DocumentsToRestore");
inline const QString LogConsoleMessages = QStringLiteral("LogConsoleMessages");

// Library windows
inline const QString UseColorIcons = QStringLiteral("UseColorIcons");
inline const QString ShowFilterSearchBoxes = QStringLiteral("ShowFilterSearchBoxes");
inline const QString SearchCommentsField = QStringLiteral("SearchCommentsField");
inline const QString AutoCompleteUserFields = QStringLiteral("AutoCompleteUserFields");
inline const QString AllowDragToFinder = QStringLiteral("AllowDragToFinder");
inline const QString ResizePlayerView = QStringLiteral("ResizePlayerView");
inline const QString DoubleClickAction = QStringLiteral("DoubleClickAction");
inline const QString ToolbarPlayAction = QStringLiteral("ToolbarPlayAction");

} // namespace vidarium::SettingKey
