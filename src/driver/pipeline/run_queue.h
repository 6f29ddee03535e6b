// The queue between the three roles of the threaded pipeline: one producer
// makes run records in order, workers run the records' locus jobs in any
// order, one writer takes the records in order. The records not yet written
// hold at most `budget` units (a kept run costs one per locus, a discarded
// one 1), so memory stays small however many runs the job has; a record
// is let in alone whatever its cost.
#pragma once

#include <condition_variable>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>

#include "driver/pipeline/run_record.h"

namespace gorvan {

class RunQueue {
 public:
  explicit RunQueue(int budget) : budget_(budget) {}

  // Producer: waits until the record fits the budget, then queues it and its
  // locus jobs. Returns false, without queueing, once the queue is stopped.
  // After a record marked `last` nothing more is pushed.
  bool Push(std::unique_ptr<RunRecord> record);

  // Worker: the next locus job, waiting for one; nullptr when no more will
  // come (the last record's jobs are all taken, or the queue is stopped).
  LocusJob* TakeJob();
  // Worker: the job's results are in place.
  void FinishJob(LocusJob& job);

  // Writer: the oldest record not yet written, waiting for it.
  RunRecord& Front();
  // Writer: waits until a worker has finished `job`.
  void WaitUntilDone(const LocusJob& job);
  // Writer: the front record is written; its budget is free again.
  void PopFront();

  // Ends the work at once: every wait returns, nothing more is queued.
  void Stop();

  // A producer or worker thread failed outside the work it hands on (it
  // cannot go on): the writer raises `error` when it next waits, once the
  // records before it are written, instead of waiting for ever.
  void Abandon(std::exception_ptr error);

 private:
  std::mutex mutex_;
  std::condition_variable room_;      // the producer waits for budget
  std::condition_variable jobs_;      // workers wait for jobs
  std::condition_variable progress_;  // the writer waits for records and results
  std::deque<std::unique_ptr<RunRecord>> records_;
  std::deque<LocusJob*> waiting_jobs_;
  const int budget_;
  int used_ = 0;
  bool last_pushed_ = false;
  bool stopped_ = false;
  std::exception_ptr abandoned_;
};

}  // namespace gorvan
