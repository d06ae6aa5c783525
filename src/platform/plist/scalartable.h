#pragma once

// The binary plist writer's index of the scalars it has stored, so that an equal
// one is stored once: an open-addressed table of object references and their
// hashes. The scalars' bytes stay with the writer; the table only remembers where
// they are, so looking up or adding a value allocates nothing of its own, and a
// catalogue adds millions of them. Kept at most half full, so probe runs stay short.
// Threads: one instance per thread.

#include <QtGlobal>

#include <cstddef>
#include <memory>

namespace vidarium {

class ScalarTable
{
public:
    using Ref = quint32;
    static constexpr Ref noRef = ~Ref(0);

    // The reference for which `equal(ref)` holds among those stored with `hash`;
    // when there is none, stores and returns the reference `add()` gives.
    template <typename Equal, typename Add> Ref findOrAdd(quint32 hash, Equal equal, Add add)
    {
        if ((m_count + 1) * 2 > m_size)
            grow();
        const size_t mask = m_size - 1;
        for (size_t i = hash & mask;; i = (i + 1) & mask) {
            Slot &slot = m_slots[i];
            if (slot.ref == noRef) {
                const Ref ref = add();
                slot = Slot { hash, ref };
                ++m_count;
                return ref;
            }
            if (slot.hash == hash && equal(slot.ref))
                return slot.ref;
        }
    }

    size_t count() const { return m_count; }
    // Slots in the table: a power of two, at least twice count().
    size_t capacity() const { return m_size; }

private:
    struct Slot
    {
        quint32 hash;
        Ref ref; // noRef: empty
    };
    struct SlotsFree
    {
        void operator()(Slot *slots) const;
    };

    // Doubles the table; throws std::bad_alloc when memory runs out.
    void grow();

    // Large, and probed at random once per scalar: held in huge pages where the
    // system grants them, as the probes otherwise miss the address cache too.
    std::unique_ptr<Slot[], SlotsFree> m_slots;
    size_t m_size = 0;
    size_t m_count = 0;
};

} // namespace vidarium
