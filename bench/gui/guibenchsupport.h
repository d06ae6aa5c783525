#pragma once

// What the window benchmark's parts share: printing a figure beside its
// target, letting the event loop run, and timing a piece of work together with
// the events it posts. Each pane's figures live in a file of their own in this
// folder and are called from the benchmark's main.
// Threads: main thread.

#include <functional>

namespace vidarium {
class DocumentWindowController;

// The detail inspector's figures (bench/gui/inspectorbench.cpp).
void measureInspector(DocumentWindowController &window);
} // namespace vidarium

namespace vidarium::guibench {

void print(const char *label, double value, const char *unit, const char *target = "");
// Runs the event loop for at least the given time (once when zero).
void pump(int milliseconds = 0);
// The work and the events it posted, in milliseconds.
double millisecondsOf(const std::function<void()> &work);

} // namespace vidarium::guibench
