#pragma once

// Hands work back to the main thread, which owns the catalogue. Worker threads
// use it to report results; a result whose receiver has gone is dropped instead
// of touching freed memory.
// Threads: callable from any thread; the function always runs later, on the
// main thread's event loop (never inline, also when called from the main thread).

#include <QObject>

#include <functional>

namespace vidarium {

// True on the thread that created the QCoreApplication.
bool isMainThread();

// Runs `function` on the main thread unless `guard` has been destroyed by then.
// A null guard is taken as "already gone": the call is dropped.
void postToMainThread(QObject *guard, std::function<void()> function);

// Runs `function` on the main thread; for work owned by nothing that can die.
void postToMainThread(std::function<void()> function);

} // namespace vidarium
