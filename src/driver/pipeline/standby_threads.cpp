#include "driver/pipeline/standby_threads.h"

#include <system_error>
#include <utility>

#include "base/internal_check.h"

namespace gorvan {

StandbyThreads::StandbyThreads(size_t wanted) : work_(wanted) {
  threads_.reserve(wanted);
  for (size_t k = 0; k < wanted; ++k) {
    try {
      threads_.emplace_back([this, k] { Wait(k); });
    } catch (const std::system_error&) {
      break;  // the system allows no more threads
    }
  }
}

StandbyThreads::~StandbyThreads() { JoinAll(); }

void StandbyThreads::Give(size_t k, std::function<void()> work) {
  Check(k < threads_.size(), "work given to a thread that was not started");
  {
    std::lock_guard<std::mutex> lock(mutex_);
    Check(!work_[k], "work given twice to one thread");
    work_[k] = std::move(work);
  }
  changed_.notify_all();
}

void StandbyThreads::JoinAll() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    released_ = true;
  }
  changed_.notify_all();
  for (std::thread& thread : threads_) {
    if (thread.joinable()) thread.join();
  }
}

void StandbyThreads::Wait(size_t k) {
  std::function<void()> work;
  {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return released_ || static_cast<bool>(work_[k]); });
    work = std::move(work_[k]);
  }
  if (work) work();
}

}  // namespace gorvan
