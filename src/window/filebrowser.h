#pragma once

// Shows files selected in the desktop's file browser: the file-manager D-Bus
// service that Nautilus, Dolphin, Nemo, Caja and Thunar offer; without one, the
// first file's folder is opened.
// Threads: main thread.

#include <QStringList>

#include <functional>

namespace vidarium {

class FileBrowser
{
public:
    // True when the request went to a file browser.
    static bool reveal(const QStringList &paths);
    // While set, reveal() hands the paths here instead (tests must not open windows).
    static void setOverrideForTesting(std::function<void(const QStringList &)> receiver);
};

} // namespace vidarium
