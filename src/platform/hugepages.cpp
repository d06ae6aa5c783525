#include "hugepages.h"

#include <QtGlobal>

#include <sys/mman.h>

namespace vidarium {

void adviseHugePages(void *data, size_t bytes)
{
    constexpr quintptr hugePage = quintptr(2) << 20;
    const quintptr start = (reinterpret_cast<quintptr>(data) + hugePage - 1) & ~(hugePage - 1);
    const quintptr end = (reinterpret_cast<quintptr>(data) + bytes) & ~(hugePage - 1);
    if (end > start)
        madvise(reinterpret_cast<void *>(start), end - start, MADV_HUGEPAGE);
}

} // namespace vidarium
