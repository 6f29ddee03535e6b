// Threads started before a job replaces any file, each waiting for the work
// it will be given. A system that allows fewer threads (a process limit, an
// address-space limit too small for their stacks) is found out while the
// previous job's files are still untouched, and the job goes on with the
// threads it got.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace gorvan {

class StandbyThreads {
 public:
  // Starts up to `wanted` threads; stops at the first the system refuses.
  explicit StandbyThreads(size_t wanted);
  // Threads never given work end without doing any; every thread is joined.
  ~StandbyThreads();
  StandbyThreads(const StandbyThreads&) = delete;
  StandbyThreads& operator=(const StandbyThreads&) = delete;

  size_t size() const { return threads_.size(); }
  // Thread `k` (below size()) starts `work`; each thread is given work once.
  void Give(size_t k, std::function<void()> work);
  // Waits for every thread; those without work end at once.
  void JoinAll();

 private:
  void Wait(size_t k);

  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::function<void()>> work_;
  bool released_ = false;
  std::vector<std::thread> threads_;
};

}  // namespace gorvan
