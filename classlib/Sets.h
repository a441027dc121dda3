// A set of enumeration values as the class library's "set of" types.
#pragma once
#include <cstdint>
#include <initializer_list>

template <typename E>
class TSet {
public:
  constexpr TSet() = default;
  constexpr TSet(std::initializer_list<E> Items) {
    for (E e : Items) Bits |= Bit(e);
  }
  constexpr bool Contains(E e) const { return (Bits & Bit(e)) != 0; }
  constexpr TSet& Include(E e) { Bits |= Bit(e); return *this; }
  constexpr TSet& Exclude(E e) { Bits &= ~Bit(e); return *this; }
  constexpr bool Empty() const { return Bits == 0; }
  constexpr TSet operator+(TSet o) const { TSet r; r.Bits = Bits | o.Bits; return r; }
  constexpr TSet operator-(TSet o) const { TSet r; r.Bits = Bits & ~o.Bits; return r; }
  constexpr TSet operator*(TSet o) const { TSet r; r.Bits = Bits & o.Bits; return r; }
  constexpr bool operator==(const TSet&) const = default;
  constexpr uint64_t Raw() const { return Bits; }

private:
  static constexpr uint64_t Bit(E e) { return uint64_t(1) << static_cast<unsigned>(e); }
  uint64_t Bits = 0;
};
