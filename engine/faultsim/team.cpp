#include "faultsim/team.h"

WorkerTeam::WorkerTeam(unsigned size) {
  for (unsigned m = 1; m < size; ++m) {
    try {
      threads.emplace_back([this, m] { serve(m); });
    } catch (const std::system_error&) {
      break;  // fewer threads: the work is shared among those there are
    }
  }
}

WorkerTeam::~WorkerTeam() {
  {
    std::lock_guard<std::mutex> g(lock);
    stopping = true;
  }
  wake.notify_all();
  for (std::thread& t : threads) t.join();
}

void WorkerTeam::run(const std::function<void(unsigned)>& work) {
  {
    std::lock_guard<std::mutex> g(lock);
    current = &work;
    busy = static_cast<unsigned>(threads.size());
    ++round;
  }
  wake.notify_all();
  work(0);
  std::unique_lock<std::mutex> g(lock);
  finished.wait(g, [this] { return busy == 0; });
  current = nullptr;
}

void WorkerTeam::serve(unsigned member) {
  unsigned long seen = 0;
  for (;;) {
    const std::function<void(unsigned)>* work = nullptr;
    {
      std::unique_lock<std::mutex> g(lock);
      wake.wait(g, [&] { return stopping || round != seen; });
      if (stopping) return;
      seen = round;
      work = current;
    }
    (*work)(member);
    std::lock_guard<std::mutex> g(lock);
    if (--busy == 0) finished.notify_one();
  }
}
