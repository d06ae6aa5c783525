#pragma once

// The pictures of the library window's toolbar buttons: the desktop theme's
// icons where the theme has them, else glyphs drawn here in the same spirit
// (a theme-less desktop or the offscreen platform still gets recognisable
// buttons).
// Threads: main thread.

#include <QIcon>
#include <QString>

namespace vidarium::ToolbarIcons {

// One of "import", "sort", "rate", "table", "list", "grid", "play".
QIcon icon(const QString &name);
// The glyph drawn here, whatever the theme has (tests and pictures use it).
QIcon drawnIcon(const QString &name);

} // namespace vidarium::ToolbarIcons
