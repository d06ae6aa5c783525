#pragma once

// What the window benchmark's parts share: printing a figure beside its
// target, letting the event loop run, and timing a piece of work together with
// the events it posts. Each pane's figures live in a file of their own in this
// folder and are called from the benchmark's main.
// Threads: main thread.

#include <QtGlobal>

#include <functional>

class QString;

namespace vidarium {
class DocumentWindowController;
class SourceViewController;
// The filter pane's figures (filterbench.cpp).
void measureFilters(DocumentWindowController &window);
// The storyboard pane's figures (bench/gui/storyboardbench.cpp).
void measureStoryboard(DocumentWindowController &window);

// The detail inspector's figures (bench/gui/detailbench.cpp).
void measureDetail(DocumentWindowController &window);
} // namespace vidarium

namespace vidarium::guibench {

void print(const char *label, double value, const char *unit, const char *target = "");
// Runs the event loop for at least the given time (once when zero).
void pump(int milliseconds = 0);
// The work and the events it posted, in milliseconds.
double millisecondsOf(const std::function<void()> &work);
// Observes the source list's selection notification before any window does, so
// the moment it is posted can be told apart from the panes taking it in. Call
// before the first window opens.
void watchSourceSelectionPosts();
// When the last one was posted, in nanoseconds of the steady clock (-1: never).
qint64 lastSourceSelectionPost();
qint64 steadyNanoseconds();

// The library settings, statistics and export sheets (settingsbench.cpp).
void measureSettings(DocumentWindowController &window);
// Items (itemsbench.cpp): the import heartbeat with new elements, and files
// dropped on the table (made under `folder`).
void measureItemsHeartbeat(DocumentWindowController &window);
void measureFileDrop(DocumentWindowController &window, const QString &folder, int count);
// The edit sheets and relink, on a library with some files missing.
void measureSheets(DocumentWindowController &window);

// Source list (sourcebench.cpp): adds 30 collections and 5 folders to the
// window's library and measures the tree, badges, clicks and drops.
void measureSources(DocumentWindowController &window);
void measureSourceClicksAndDrops(DocumentWindowController &window, SourceViewController &source);
// The thumbnail grid and the combined list (bench/gui/viewsbench.cpp).
void measureViews(DocumentWindowController &window);

} // namespace vidarium::guibench
