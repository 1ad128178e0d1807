// Large blocks on huge pages. Fresh memory is filled a page at a time by the
// kernel, which costs far more per 4 KiB page than per 2 MiB one; the
// circuit's pools and the big tables of the reader and the analysis take
// their memory from here.
#pragma once

#include <sys/mman.h>

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdlib>
#include <mutex>
#include <new>
#include <thread>
#include <utility>
#include <vector>

// Blocks of this size and more are aligned to and advised for huge pages.
inline constexpr std::size_t kHugePageBytes = std::size_t{2} << 20;

// Memory for `bytes`; throws std::bad_alloc when there is none.
inline void* allocateBig(std::size_t bytes) {
  if (bytes < kHugePageBytes) return ::operator new(bytes);
  const std::size_t rounded = (bytes + kHugePageBytes - 1) / kHugePageBytes * kHugePageBytes;
  void* p = std::aligned_alloc(kHugePageBytes, rounded);
  if (!p) throw std::bad_alloc();
#ifdef MADV_HUGEPAGE
  madvise(p, rounded, MADV_HUGEPAGE);
#endif
  return p;
}

// Frees memory from allocateBig of the same size.
inline void freeBig(void* p, std::size_t bytes) {
  if (bytes < kHugePageBytes)
    ::operator delete(p);
  else
    std::free(p);
}

// A standard allocator over allocateBig, for large vectors.
template <class T>
struct BigAllocator {
  using value_type = T;
  BigAllocator() = default;
  template <class U>
  BigAllocator(const BigAllocator<U>&) {}
  T* allocate(std::size_t n) {
    if (n > static_cast<std::size_t>(-1) / sizeof(T)) throw std::bad_alloc();
    return static_cast<T*>(allocateBig(n * sizeof(T)));
  }
  void deallocate(T* p, std::size_t n) { freeBig(p, n * sizeof(T)); }
  template <class U>
  bool operator==(const BigAllocator<U>&) const {
    return true;
  }
};

// A vector whose storage comes from allocateBig.
template <class T>
using BigVector = std::vector<T, BigAllocator<T>>;

// Fills fresh memory on a thread of its own, so that the kernel's work of
// providing the pages happens on another core before the memory is used.
// Filling leaves the contents alone, so the memory may be used meanwhile; it
// must stay allocated until the Prefaulter is destroyed.
class Prefaulter {
 public:
  Prefaulter() = default;
  // Drops the waiting requests and stops the one in progress after its current step.
  ~Prefaulter();
  Prefaulter(const Prefaulter&) = delete;
  Prefaulter& operator=(const Prefaulter&) = delete;

  // Asks for the pages of [p, p + bytes) to be provided; starts the thread on first use.
  void populate(void* p, std::size_t bytes);

 private:
  void run();

  std::mutex mutex;
  std::condition_variable wake;
  std::vector<std::pair<void*, std::size_t>> requests;
  std::atomic<bool> stopping{false};  // also read between the steps of a request
  std::thread worker;
};
