#pragma once

// What decoding media elements shares across one archive, lent to the unarchiver:
// one copy of each owner, batch, tool and codec string and of equal image settings,
// which keeps a large library small in memory, and the elements' paths, held back
// and applied at the end on two threads at once. Applying a path looks its volume
// up on disk, which is much of the time a catalogue of many elements takes to open,
// and those lookups are independent. Without a context, elements decode alone and
// get their paths at once.
// Threads: one context per unarchive, used on the thread that unarchives.

#include "platform/plist/archivedecoder.h"

#include <memory>

namespace vidarium {

class MediaElementDecodingContext : public ArchiveDecodingContext
{
public:
    MediaElementDecodingContext();
    // Applies any paths still held back: no decoded element goes without its path.
    ~MediaElementDecodingContext() override;
    MediaElementDecodingContext(const MediaElementDecodingContext &) = delete;
    MediaElementDecodingContext &operator=(const MediaElementDecodingContext &) = delete;

    // Applies the paths held back; the elements are kept alive until then.
    void applyPendingPaths();

    // Known only to the decoder.
    struct State;
    State &state() { return *m_state; }

private:
    std::unique_ptr<State> m_state;
};

} // namespace vidarium
