// A fixed team of threads that runs one piece of work on all its members at
// once, again and again, without starting threads for each round.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

class WorkerTeam {
 public:
  // A team of `size` members (at least 1): the calling thread and size - 1 others.
  explicit WorkerTeam(unsigned size);
  ~WorkerTeam();
  WorkerTeam(const WorkerTeam&) = delete;
  WorkerTeam& operator=(const WorkerTeam&) = delete;

  unsigned size() const { return static_cast<unsigned>(threads.size()) + 1; }
  // Runs work(member) on every member (0 is the calling thread) and returns when all are done.
  void run(const std::function<void(unsigned)>& work);

 private:
  void serve(unsigned member);

  std::vector<std::thread> threads;
  std::mutex lock;
  std::condition_variable wake, finished;
  const std::function<void(unsigned)>* current = nullptr;
  unsigned long round = 0;
  unsigned busy = 0;
  bool stopping = false;
};
