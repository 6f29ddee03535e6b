#include "driver/pipeline/run_queue.h"

#include <utility>

namespace gorvan {

bool RunQueue::Push(std::unique_ptr<RunRecord> record) {
  std::unique_lock lock(mutex_);
  room_.wait(lock, [&] { return stopped_ || used_ == 0 || used_ + record->cost <= budget_; });
  if (stopped_) return false;
  used_ += record->cost;
  for (const std::unique_ptr<LocusJob>& job : record->loci) waiting_jobs_.push_back(job.get());
  last_pushed_ = record->last;
  records_.push_back(std::move(record));
  jobs_.notify_all();
  progress_.notify_all();
  return true;
}

LocusJob* RunQueue::TakeJob() {
  std::unique_lock lock(mutex_);
  jobs_.wait(lock, [&] { return stopped_ || !waiting_jobs_.empty() || last_pushed_; });
  if (stopped_ || waiting_jobs_.empty()) return nullptr;
  LocusJob* job = waiting_jobs_.front();
  waiting_jobs_.pop_front();
  return job;
}

void RunQueue::FinishJob(LocusJob& job) {
  {
    std::lock_guard lock(mutex_);
    job.done = true;
  }
  progress_.notify_all();
}

RunRecord& RunQueue::Front() {
  std::unique_lock lock(mutex_);
  progress_.wait(lock, [&] { return !records_.empty() || abandoned_; });
  if (records_.empty()) std::rethrow_exception(abandoned_);
  return *records_.front();
}

void RunQueue::WaitUntilDone(const LocusJob& job) {
  std::unique_lock lock(mutex_);
  progress_.wait(lock, [&] { return job.done || abandoned_; });
  if (!job.done) std::rethrow_exception(abandoned_);
}

void RunQueue::PopFront() {
  {
    std::lock_guard lock(mutex_);
    used_ -= records_.front()->cost;
    records_.pop_front();
  }
  room_.notify_all();
}

void RunQueue::Abandon(std::exception_ptr error) {
  {
    std::lock_guard lock(mutex_);
    if (!abandoned_) abandoned_ = std::move(error);
  }
  progress_.notify_all();
}

void RunQueue::Stop() {
  {
    std::lock_guard lock(mutex_);
    stopped_ = true;
  }
  room_.notify_all();
  jobs_.notify_all();
  progress_.notify_all();
}

}  // namespace gorvan
