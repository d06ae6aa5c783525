#include "scalartable.h"

#include "platform/hugepages.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace vidarium {

void ScalarTable::SlotsFree::operator()(Slot *slots) const
{
    std::free(slots);
}

void ScalarTable::grow()
{
    const size_t oldSize = m_size;
    const size_t size = oldSize == 0 ? 1024 : oldSize * 2;
    const size_t bytes = size * sizeof(Slot);
    // Sizes are powers of two, so a table of a huge page or more fills whole huge
    // pages from an aligned start.
    const bool huge = bytes >= hugePageSize;
    void *memory = huge ? std::aligned_alloc(hugePageSize, bytes) : std::malloc(bytes);
    if (!memory)
        throw std::bad_alloc();
    if (huge)
        adviseHugePagesForMapping(memory, bytes);
    // Only now is the old table let go: running out of memory above leaves it whole.
    const std::unique_ptr<Slot[], SlotsFree> old = std::move(m_slots);
    m_slots.reset(static_cast<Slot *>(memory));
    m_size = size;
    std::memset(memory, 0xFF, bytes); // every ref noRef: empty
    const size_t mask = size - 1;
    for (size_t k = 0; k < oldSize; ++k) {
        const Slot &slot = old[k];
        if (slot.ref == noRef)
            continue;
        size_t i = slot.hash & mask;
        while (m_slots[i].ref != noRef)
            i = (i + 1) & mask;
        m_slots[i] = slot;
    }
}

} // namespace vidarium
