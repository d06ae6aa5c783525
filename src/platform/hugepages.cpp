#include "hugepages.h"

#include <QtGlobal>

#include <sys/mman.h>

namespace vidarium {

void adviseHugePages(void *data, size_t bytes)
{
    constexpr quintptr hugePage = hugePageSize;
    const quintptr start = (reinterpret_cast<quintptr>(data) + hugePage - 1) & ~(hugePage - 1);
    const quintptr end = (reinterpret_cast<quintptr>(data) + bytes) & ~(hugePage - 1);
    if (end > start)
        madvise(reinterpret_cast<void *>(start), end - start, MADV_HUGEPAGE);
}

void adviseHugePagesForMapping(void *mapping, size_t bytes)
{
    // The result is ignored on purpose: a refused hint only costs speed.
    if (mapping && bytes > 0)
        madvise(mapping, bytes, MADV_HUGEPAGE);
}

} // namespace vidarium
