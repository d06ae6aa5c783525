#pragma once

// An append-only array of plain values for buffers that grow to tens of megabytes.
// Past a megabyte its memory is mapped pages, so that growing moves them by
// remapping instead of copying the whole buffer at every doubling (the allocator's
// own choice depends on what was freed before), and the mapping asks for huge pages.
// Threads: one instance per thread.

#include <QtGlobal>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <type_traits>

namespace vidarium {

// The raw memory under a GrowingArray: heap memory while small, a private mapping
// once large.
class GrowingMemory
{
public:
    // Sizes from this on are mapped.
    static constexpr size_t mappedFrom = size_t(1) << 20;

    GrowingMemory() = default;
    GrowingMemory(const GrowingMemory &) = delete;
    GrowingMemory &operator=(const GrowingMemory &) = delete;
    ~GrowingMemory();

    void *data() const { return m_data; }
    size_t bytes() const { return m_bytes; }
    bool isMapped() const { return m_mapped; }
    // Keeps the first `used` bytes; throws std::bad_alloc when memory runs out,
    // as the standard containers do.
    void resize(size_t bytes, size_t used);

private:
    void *m_data = nullptr;
    size_t m_bytes = 0;
    bool m_mapped = false;
};

template <typename T> class GrowingArray
{
    static_assert(std::is_trivially_copyable_v<T>);

public:
    size_t size() const { return m_size; }
    size_t capacity() const { return m_capacity; }
    const T *data() const { return items(); }
    const T &operator[](size_t i) const { return items()[i]; }
    const T *begin() const { return items(); }
    const T *end() const { return items() + m_size; }
    const GrowingMemory &memory() const { return m_memory; }

    void append(const T *values, size_t count)
    {
        if (count == 0)
            return;
        if (m_size + count > m_capacity) {
            const size_t capacity
                = std::max({ m_size + count, 2 * m_capacity, size_t(4096) / sizeof(T) });
            m_memory.resize(capacity * sizeof(T), m_size * sizeof(T));
            m_capacity = capacity;
        }
        std::memcpy(items() + m_size, values, count * sizeof(T));
        m_size += count;
    }
    void append(const T &value) { append(&value, 1); }

private:
    T *items() const { return static_cast<T *>(m_memory.data()); }

    GrowingMemory m_memory;
    size_t m_size = 0;
    size_t m_capacity = 0;
};

} // namespace vidarium
