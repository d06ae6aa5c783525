#include "growingarray.h"

#include "platform/hugepages.h"

#include <cstdlib>
#include <new>

#include <sys/mman.h>

namespace vidarium {

GrowingMemory::~GrowingMemory()
{
    if (m_mapped)
        munmap(m_data, m_bytes);
    else
        std::free(m_data);
}

void GrowingMemory::resize(size_t bytes, size_t used)
{
    void *grown = nullptr;
    if (m_mapped) {
        grown = mremap(m_data, m_bytes, bytes, MREMAP_MAYMOVE);
    } else if (bytes >= mappedFrom) {
        grown = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (grown != MAP_FAILED) {
            if (m_data)
                std::memcpy(grown, m_data, std::min(used, bytes));
            std::free(m_data);
            m_mapped = true;
        }
    } else {
        grown = std::realloc(m_data, bytes);
    }
    if (!grown || grown == MAP_FAILED)
        throw std::bad_alloc();
    m_data = grown;
    m_bytes = bytes;
    if (m_mapped)
        adviseHugePagesForMapping(m_data, m_bytes);
}

} // namespace vidarium
