#pragma once

// Builds a binary property list object by object. Equal strings, numbers, dates,
// data and UIDs are stored once, so a large catalogue does not repeat its keys and
// owner strings. Containers are given the references of their members, which lets
// the keyed archiver lay out $objects without building a PlistValue tree first.
// Threads: one instance per thread.

#include "platform/plist/plistvalue.h"

#include <QByteArray>

#include <algorithm>
#include <cstring>
#include <memory>
#include <span>
#include <type_traits>
#include <vector>

namespace vidarium {

class BinaryPlistWriter
{
public:
    using Ref = quint32;
    static constexpr Ref noRef = ~Ref(0);

    // The whole value; noRef when it holds something with no plist form
    // (Invalid or an archived object).
    Ref addValue(const PlistValue &value);

    Ref addNull();
    Ref addBool(bool value);
    Ref addInteger(qint64 value);
    Ref addUnsignedInteger(quint64 value); // values of 2^63 and more take 16 bytes
    Ref addReal(double value);
    Ref addFloat32(float value);
    Ref addDate(double secondsSince2001);
    Ref addData(const QByteArray &value);
    Ref addString(const QString &value);
    Ref addUid(quint64 index);
    // A UID the caller adds once and keeps the reference of (the keyed archiver's
    // references): stored without looking for an equal one, which for the million
    // references of a catalogue saves a lookup in a table far larger than the caches.
    Ref addDistinctUid(quint64 index);
    // A real stored without looking for an equal one: for values that are nearly
    // always new, such as the times of a catalogue's dates.
    Ref addDistinctReal(double value);
    Ref addArray(std::span<const Ref> members);
    Ref addSet(std::span<const Ref> members);
    Ref addDictionary(std::span<const Ref> keys, std::span<const Ref> values);

    int objectCount() const { return int(m_objects.size()); }

    // The finished file with `top` as its top object.
    QByteArray finish(Ref top) const;

private:
    // Memory for the writer's large arrays: mapped pages once past a megabyte, so
    // that growing moves them by remapping instead of copying tens of megabytes at
    // every doubling (the allocator's own choice depends on what was freed before).
    class GrowingMemory
    {
    public:
        GrowingMemory() = default;
        GrowingMemory(const GrowingMemory &) = delete;
        GrowingMemory &operator=(const GrowingMemory &) = delete;
        ~GrowingMemory();

        void *data() const { return m_data; }
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
        const T *data() const { return items(); }
        const T &operator[](size_t i) const { return items()[i]; }
        const T *begin() const { return items(); }
        const T *end() const { return items() + m_size; }

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

    struct Object
    {
        quint8 marker; // container marker (0xA0, 0xC0, 0xD0), or 0 for a scalar
        quint32 start; // scalar: offset in m_scalarBytes; container: index in m_refs
        quint32 length; // scalar: byte count; container: member count (pairs for dictionaries)
    };

    Ref addScalar(std::span<const char> encoded);
    // The scratch bytes of a marker followed by `bytes` big-endian bytes of bits.
    std::span<const char> encodeFixed(char marker, quint64 bits, int bytes);
    Ref appendScalar(std::span<const char> encoded);
    void growScalarTable();
    Ref addContainer(quint8 marker, std::span<const Ref> first, std::span<const Ref> second);

    GrowingArray<Object> m_objects;
    GrowingArray<char> m_scalarBytes;
    GrowingArray<Ref> m_refs;
    // Scalars uniqued by their encoded bytes: an open-addressed table of object
    // references whose bytes already sit in m_scalarBytes, so looking up or adding a
    // value allocates nothing of its own. A catalogue adds millions of scalars.
    struct ScalarSlot
    {
        quint32 hash;
        Ref ref; // noRef: empty
    };
    struct SlotsFree
    {
        void operator()(ScalarSlot *table) const;
    };
    // Large, and probed at random once per scalar: held in huge pages where the
    // system grants them, as the probes otherwise miss the address cache too.
    std::unique_ptr<ScalarSlot[], SlotsFree> m_scalarTable;
    size_t m_scalarTableSize = 0;
    size_t m_scalarCount = 0;
    std::vector<char> m_scratch; // the encoded bytes of the scalar being added
};

} // namespace vidarium
