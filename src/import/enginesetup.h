#pragma once

// What every program on the engine sets up before it opens a library: the
// readers of older libraries and Usher exports, and the dispatcher's two
// import tools. The command line and the window program call this one place.
// Threads: main thread, before the first library is opened.

#include <chrono>
#include <optional>

namespace vidarium {

class DispatchController;

class EngineSetup
{
public:
    // Idempotent.
    static void registerComponents();

    // Hands the dispatcher the in-process tool and, behind it, the one that
    // runs ffprobe and ffmpeg, both over the dispatcher's settings, and has
    // them read their concurrency limits. A time limit bounds each program run
    // of the latter (its own default otherwise).
    static void installImportTools(DispatchController &dispatcher,
        std::optional<std::chrono::milliseconds> programTimeLimit = std::nullopt);
};

} // namespace vidarium
