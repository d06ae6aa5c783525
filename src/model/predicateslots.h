#pragma once

// A fixed row of values each made on first use and destroyed with the row: the
// evaluator keeps the keys one object is read for here. std::optional costs a
// flag per slot to clear on the way in and to test on the way out, and with
// sixteen slots per object that measured as much as a comparison; here one mask
// does both.
// Threads: none; one row per evaluation.

#include <bit>
#include <cstdint>
#include <memory>
#include <new>

namespace vidarium {

template <typename T, int Count> class PredicateSlots
{
    static_assert(Count > 0 && Count <= 32, "slots are marked in a 32-bit mask");

public:
    PredicateSlots() = default;
    ~PredicateSlots()
    {
        for (std::uint32_t remaining = m_engaged; remaining != 0; remaining &= remaining - 1)
            std::destroy_at(held(std::countr_zero(remaining)));
    }
    PredicateSlots(const PredicateSlots &) = delete;
    PredicateSlots &operator=(const PredicateSlots &) = delete;

    // The value in the slot, made by make() the first time it is asked for.
    template <typename Make> const T &value(int slot, const Make &make)
    {
        const std::uint32_t bit = std::uint32_t(1) << slot;
        if (!(m_engaged & bit)) {
            ::new (static_cast<void *>(m_cells[slot].bytes)) T(make());
            m_engaged |= bit;
        }
        return *held(slot);
    }

private:
    struct alignas(T) Cell
    {
        unsigned char bytes[sizeof(T)];
    };
    static_assert(sizeof(Cell) == sizeof(T), "a cell holds exactly one value");
    static_assert(alignof(Cell) == alignof(T), "a cell is aligned as the value");

    T *held(int slot) { return std::launder(reinterpret_cast<T *>(m_cells[slot].bytes)); }

    std::uint32_t m_engaged = 0;
    Cell m_cells[Count];
};

} // namespace vidarium
