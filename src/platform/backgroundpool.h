#pragma once

// The threads for the program's own work off the main thread: folder scans,
// checks of every file of a library, image decoding, exports. Qt paints and
// converts images on its global pool while the main thread waits for them, so
// work that takes seconds there would hold every window still until it ended.
// Threads: any thread.

class QThreadPool;

namespace vidarium {

QThreadPool &backgroundPool();

} // namespace vidarium
