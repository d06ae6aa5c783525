#pragma once

// What every program on the engine registers before it opens a library: the
// readers of older libraries and Usher exports, and the in-process importer.
// The command line and the window program call this one place.
// Threads: main thread, before the first library is opened.

namespace vidarium {

class EngineSetup
{
public:
    // Idempotent.
    static void registerComponents();
};

} // namespace vidarium
