// An open-addressing table of object pointers found by a name hash and a
// caller's match test; used by the circuit to find items and ports by name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

#include "base/bigmemory.h"

// Hash of a name (the same function for inserting and finding).
inline size_t nameHash(std::string_view name) { return std::hash<std::string_view>{}(name); }

template <class T>
class NameIndex {
 public:
  // The entry with hash `h` that `matches`, or null.
  template <class Match>
  T* find(size_t h, Match matches) const {
    if (slots.empty()) return nullptr;
    for (size_t k = h & mask();; k = (k + 1) & mask()) {
      const Slot& s = slots[k];
      if (!s.value) return nullptr;
      if (s.value != tombstone() && s.hash == h && matches(s.value)) return s.value;
    }
  }
  // Starts fetching the table entry where a search for hash `h` begins (a hint only).
  void prefetchEntry(size_t h) const {
    if (!slots.empty()) __builtin_prefetch(&slots[h & mask()]);
  }
  // Starts fetching the object of the first entry with hash `h` (a hint only;
  // cheap once prefetchEntry has brought the entry in).
  void prefetchValue(size_t h) const {
    if (slots.empty()) return;
    for (size_t k = h & mask();; k = (k + 1) & mask()) {
      const Slot& s = slots[k];
      if (!s.value) return;
      if (s.value != tombstone() && s.hash == h) {
        __builtin_prefetch(s.value);
        return;
      }
    }
  }
  // Puts `value` under hash `h`, replacing the entry that `matches` if there
  // is one; true when it replaced one.
  template <class Match>
  bool put(size_t h, T* value, Match matches) {
    if ((filled + 1) * 4 > slots.size() * 3) grow();
    size_t reuse = SIZE_MAX;
    size_t k = h & mask();
    for (;; k = (k + 1) & mask()) {
      Slot& s = slots[k];
      if (!s.value) break;
      if (s.value == tombstone()) {
        if (reuse == SIZE_MAX) reuse = k;
        continue;
      }
      if (s.hash == h && matches(s.value)) {
        s.value = value;
        return true;
      }
    }
    if (reuse != SIZE_MAX) {
      slots[reuse] = {value, h};
      return false;
    }
    slots[k] = {value, h};
    ++filled;
    return false;
  }
  // Replaces the entry `value` under hash `h` by `replacement` (null: removes it).
  void replace(size_t h, const T* value, T* replacement) {
    if (slots.empty()) return;
    for (size_t k = h & mask();; k = (k + 1) & mask()) {
      Slot& s = slots[k];
      if (!s.value) return;
      if (s.value == value) {
        s.value = replacement ? replacement : tombstone();
        return;
      }
    }
  }

 private:
  struct Slot {
    T* value = nullptr;
    size_t hash = 0;
  };
  static T* tombstone() { return reinterpret_cast<T*>(alignof(T)); }
  size_t mask() const { return slots.size() - 1; }
  // Doubles the table (or rebuilds it without tombstones).
  void grow() {
    BigVector<Slot> old;
    old.swap(slots);
    size_t live = 0;
    for (const Slot& s : old) live += s.value && s.value != tombstone();
    size_t cap = 16;
    while (cap * 3 < (live + 1) * 8) cap <<= 1;
    slots.assign(cap, Slot{});
    filled = 0;
    for (const Slot& s : old) {
      if (!s.value || s.value == tombstone()) continue;
      size_t k = s.hash & mask();
      while (slots[k].value) k = (k + 1) & mask();
      slots[k] = s;
      ++filled;
    }
  }

  BigVector<Slot> slots;
  size_t filled = 0;  // live entries and tombstones
};
