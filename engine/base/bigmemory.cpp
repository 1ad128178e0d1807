#include "base/bigmemory.h"

#include <algorithm>
#include <system_error>

Prefaulter::~Prefaulter() {
  {
    std::lock_guard<std::mutex> lock(mutex);
    stopping = true;
    requests.clear();
  }
  wake.notify_all();
  if (worker.joinable()) worker.join();
}

void Prefaulter::populate(void* p, std::size_t bytes) {
  {
    std::lock_guard<std::mutex> lock(mutex);
    if (!worker.joinable()) {
      try {
        worker = std::thread([this] { run(); });
      } catch (const std::system_error&) {
        return;  // no thread: the pages come when they are used
      }
    }
    requests.emplace_back(p, bytes);
  }
  wake.notify_one();
}

void Prefaulter::run() {
  std::unique_lock<std::mutex> lock(mutex);
  for (;;) {
    wake.wait(lock, [this] { return stopping || !requests.empty(); });
    if (stopping) return;
    const auto [p, bytes] = requests.back();
    requests.pop_back();
    lock.unlock();
#ifdef MADV_POPULATE_WRITE
    // One huge page at a time: the kernel holds the address space lock while
    // it provides pages, and the owner's own allocations wait for that lock.
    // An older kernel refuses: nothing is lost.
    for (std::size_t at = 0; at < bytes && !stopping; at += kHugePageBytes)
      madvise(static_cast<char*>(p) + at, std::min(kHugePageBytes, bytes - at), MADV_POPULATE_WRITE);
#else
    (void)p;
    (void)bytes;
#endif
    lock.lock();
  }
}
