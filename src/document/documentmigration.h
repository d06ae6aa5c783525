#pragma once

// Hands the document reader the readers of the older formats: Usher CSV exports
// and the two older library formats. Whoever opens documents (the application,
// the command line) calls registerLegacyReaders once before the first read.
// Threads: main thread.

namespace vidarium {

class DocumentMigration
{
public:
    // Idempotent.
    static void registerLegacyReaders();
};

} // namespace vidarium
