// Fixed-size object pools: a circuit keeps its ports, fan-out entries and
// ready-list entries in chunks instead of one heap block each, and reuses
// freed slots. Freed slots are poisoned under AddressSanitizer.
#pragma once

#include <cstddef>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "base/bigmemory.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#define TARVEX_POISON(p, n) ASAN_POISON_MEMORY_REGION(p, n)
#define TARVEX_UNPOISON(p, n) ASAN_UNPOISON_MEMORY_REGION(p, n)
#else
#define TARVEX_POISON(p, n) ((void)(p), (void)(n))
#define TARVEX_UNPOISON(p, n) ((void)(p), (void)(n))
#endif

template <class T>
class Pool {
 public:
  Pool() = default;
  Pool(const Pool&) = delete;
  Pool& operator=(const Pool&) = delete;
  // Every object must have been destroyed before the pool goes.
  ~Pool() {
    for (size_t k = 0; k < chunks.size(); ++k) {
      const size_t bytes = chunkBytes(k);
      TARVEX_UNPOISON(chunks[k], bytes);
      freeBig(chunks[k], bytes);
    }
    if (spare) freeBig(spare, chunkBytes(chunks.size()));
  }

  // Has `p` (not owned, outliving the pool's use of it; null: none) provide
  // the pages of each large chunk while the chunk before is being filled.
  void prefaultWith(Prefaulter* p) { prefaulter = p; }

  // Constructs a T in a free slot.
  template <class... Args>
  T* create(Args&&... args) {
    Slot* s = freeList;
    if (s) {
      TARVEX_UNPOISON(s, sizeof(Slot));
      freeList = s->next;
    } else {
      s = fresh();
    }
    return ::new (static_cast<void*>(s->storage)) T(std::forward<Args>(args)...);
  }
  // Destroys `p` (made by create) and frees its slot.
  void destroy(T* p) {
    if (!p) return;
    p->~T();
    Slot* s = reinterpret_cast<Slot*>(p);
    s->next = freeList;
    freeList = s;
    TARVEX_POISON(s, sizeof(Slot));
  }

 private:
  union Slot {
    Slot* next;
    alignas(T) unsigned char storage[sizeof(T)];
  };
  static_assert(offsetof(Slot, storage) == 0);

  // Chunks double from 64 slots up to 65536 slots, or on until a chunk holds
  // 4 MiB: small entries such as links then also get chunks large enough
  // for huge pages and for the prefaulter.
  static constexpr size_t kLastDoubling = [] {
    size_t k = 10;
    while (sizeof(Slot) * (size_t{64} << k) < (size_t{4} << 20)) ++k;
    return k;
  }();
  static size_t chunkSize(size_t k) { return size_t{64} << (k < kLastDoubling ? k : kLastDoubling); }
  static size_t chunkBytes(size_t k) { return sizeof(Slot) * chunkSize(k); }

  Slot* fresh() {
    if (chunks.empty() || used == chunkSize(chunks.size() - 1)) {
      const size_t k = chunks.size();
      chunks.reserve(k + 1);
      if (spare) {
        chunks.push_back(spare);
        spare = nullptr;
      } else {
        chunks.push_back(static_cast<Slot*>(allocateBig(chunkBytes(k))));
      }
      used = 0;
      if (prefaulter && chunkBytes(k + 1) >= kHugePageBytes) {
        spare = static_cast<Slot*>(allocateBig(chunkBytes(k + 1)));
        prefaulter->populate(spare, chunkBytes(k + 1));
      }
    }
    return &chunks.back()[used++];
  }

  std::vector<Slot*> chunks;  // owned: freed by the destructor
  Slot* spare = nullptr;      // the next chunk, allocated ahead while it is prefaulted
  size_t used = 0;
  Slot* freeList = nullptr;
  Prefaulter* prefaulter = nullptr;
};
