#pragma once

// Work nobody waits on at that moment (reading the properties of imported
// files, decoding their frames) runs at a lower priority than the window, so
// that a busy import on a 2-core machine still leaves the window its turns.
// Linux gives every thread its own nice value, and processes inherit the value
// of the thread that starts them, so helper programs follow on their own.
// Threads: any thread; it changes the calling thread only.

namespace vidarium {

// Lowers the calling thread to the background priority; refused changes are
// ignored (the work runs as before).
void lowerCurrentThreadPriority();

} // namespace vidarium
