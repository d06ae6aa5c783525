#pragma once

// The source list's icons by name: the built-in collections' "SL_" images in
// colour, gray and white (drawn here, so they stay sharp at any scale), the
// folder and trash images from the desktop's icon theme with drawn stand-ins,
// and custom collection icons decoded from their stored bytes under a size cap.
// Threads: main thread.

#include <QByteArray>
#include <QIcon>
#include <QString>

namespace vidarium {

class MediaPlaylist;

namespace SourceListIcons {

// An "SL_..." name (with "Gray"/"White"), "NSTrashFull", "NSTrashEmpty",
// "SL_Folder" (the theme's folder), "SL_FolderGray" or "SL_FolderWhite".
QIcon icon(const QString &name);
// A collection's icon for a row; custom icon bytes are decoded and cached by collection.
QIcon playlistIcon(const MediaPlaylist &playlist, bool highlighted, bool useColorIcons);
// The folder row's image.
QIcon folderIcon(bool highlighted, bool useColorIcons);
// Forgets a collection's decoded custom icon (after it changed).
void forgetCustomIcon(const QString &playlistIdentifier);

} // namespace SourceListIcons
} // namespace vidarium
