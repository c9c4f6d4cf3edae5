// TSet<E>: a small set of enumeration values, the value type of set
// properties ([fsBold, fsItalic] in a window definition).
//
// Invariants: E is an enumeration whose values are 0, 1, ... n-1 with n <= 64;
// the set is a plain bit mask (bit i = value i), so copies are cheap and two
// sets are equal exactly when they hold the same values.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <type_traits>

template <class E>
class TSet {
    static_assert(std::is_enum_v<E>, "TSet holds enumeration values");

public:
    constexpr TSet() = default;
    constexpr TSet(std::initializer_list<E> values) {
        for (E value : values) mBits |= Bit(value);
    }

    static constexpr TSet FromMask(uint64_t mask) { TSet s; s.mBits = mask; return s; }
    constexpr uint64_t Mask() const { return mBits; }

    constexpr bool Contains(E value) const { return (mBits & Bit(value)) != 0; }
    constexpr bool Empty() const { return mBits == 0; }
    constexpr TSet& Include(E value) { mBits |= Bit(value); return *this; }
    constexpr TSet& Exclude(E value) { mBits &= ~Bit(value); return *this; }

    constexpr TSet operator+(TSet other) const { return FromMask(mBits | other.mBits); }
    constexpr TSet operator-(TSet other) const { return FromMask(mBits & ~other.mBits); }
    constexpr TSet operator*(TSet other) const { return FromMask(mBits & other.mBits); }
    constexpr TSet& operator+=(TSet other) { mBits |= other.mBits; return *this; }
    constexpr TSet& operator-=(TSet other) { mBits &= ~other.mBits; return *this; }
    constexpr bool operator==(const TSet&) const = default;
    // Subset test, as Pascal's "<=" on sets.
    constexpr bool SubsetOf(TSet other) const { return (mBits & ~other.mBits) == 0; }

private:
    static constexpr uint64_t Bit(E value) { return uint64_t(1) << static_cast<unsigned>(value); }
    uint64_t mBits = 0;
};
