#pragma once

// Asks the system to back a large buffer with huge pages. A buffer of tens of
// megabytes that is filled from end to end then faults in a few dozen times instead
// of tens of thousands, and its accesses miss the address cache far less. Every
// huge-page hint of the program goes through here, so what it assumes of the system
// (the page size, that the hint may be refused) is written down once.
// Threads: any thread.

#include <cstddef>

namespace vidarium {

// The size of a huge page on the machines we run on; memory aligned to it can be
// covered by huge pages from its first byte.
inline constexpr size_t hugePageSize = size_t(2) << 20;

// Only the whole huge pages inside [data, data + bytes) are marked, so memory the
// buffer shares pages with is left alone. A hint: nothing happens where the system
// does not grant huge pages.
void adviseHugePages(void *data, size_t bytes);

// For a mapping of our own (from mmap, or memory aligned to hugePageSize): all of
// it is marked, so that it stays one mapping that mremap can move as a whole.
void adviseHugePagesForMapping(void *mapping, size_t bytes);

} // namespace vidarium
