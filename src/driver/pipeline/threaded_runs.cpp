#include "driver/pipeline/threaded_runs.h"

#include <memory>
#include <new>
#include <string>
#include <vector>

#include "base/internal_check.h"
#include "driver/job/interruption.h"
#include "driver/job/job_notes.h"
#include "driver/pipeline/role_times.h"
#include "driver/pipeline/run_queue.h"
#include "driver/pipeline/run_record.h"
#include "driver/run_loop/run_steps.h"

namespace gorvan {
namespace {

// Records not yet written may hold this many loci: twice a run's, so that
// the next run is drawn while one is written, and four per thread, so that
// short runs keep every thread busy.
int BudgetFor(const State& s, int threads) { return 2 * s.NUMBLOCI + 4 * threads; }

// The producer's part of one attempted run, on its own state.
std::unique_ptr<RunRecord> ProduceRun(State& producer, RecordedConsole& console) {
  auto record = std::make_unique<RunRecord>();
  try {
    record->accepted = StartRun(producer);
    if (record->accepted) {
      SaveRunSnapshot(producer, record->snapshot);
      record->cost = producer.NUMBLOCI;
      for (producer.J = 1; producer.J <= producer.NUMBLOCI; ++producer.J) {
        if (producer.FIXED_LOCUS[producer.J] != 0) continue;
        auto job = std::make_unique<LocusJob>();
        job->table = DrawLocusTable(producer);
        record->loci.push_back(std::move(job));
      }
    }
  } catch (...) {
    record->error = std::current_exception();
  }
  record->console = console.TakeEvents();
  record->last = record->error != nullptr || producer.RUN == producer.STOP_RUNS;
  return record;
}

void Produce(State& producer, RecordedConsole& console, RunQueue& queue, double& cpu_seconds) {
  try {
    for (;;) {
      std::unique_ptr<RunRecord> record = ProduceRun(producer, console);
      const bool last = record->last;
      if (!queue.Push(std::move(record)) || last) break;
    }
  } catch (...) {
    queue.Abandon(std::current_exception());
  }
  cpu_seconds = ThreadCpuSeconds();
}

void TestLoci(RunQueue& queue, bool run_chi2, bool run_fisher, double& cpu_seconds) {
  try {
    while (LocusJob* job = queue.TakeJob()) {
      RecordedConsole console;
      try {
        job->result = TestLocusTable(job->table, run_chi2, run_fisher, console);
      } catch (...) {
        job->error = std::current_exception();
      }
      job->console = console.TakeEvents();
      queue.FinishJob(*job);
    }
  } catch (...) {
    queue.Abandon(std::current_exception());
  }
  cpu_seconds = ThreadCpuSeconds();
}

// The writer's source of locus results: the jobs of one record, in order.
class WorkerResults final : public LocusTestSource {
 public:
  WorkerResults(RunQueue& queue, RunRecord& record) : queue_(queue), record_(record) {}

  void TestLocus(State& s) override {
    // The producer stopped before it made this locus's table.
    if (next_ == record_.loci.size()) {
      Check(record_.error != nullptr, "a kept run has fewer locus jobs than tested loci");
      std::rethrow_exception(record_.error);
    }
    const LocusJob& job = *record_.loci[next_++];
    queue_.WaitUntilDone(job);
    ReplayConsole(job.console, s.console);
    if (job.error) std::rethrow_exception(job.error);
    if (s.RUN_CHI2 == 1) {
      s.CHISQ = job.result.CHISQ;
      s.DF = job.result.DF;
      s.PROB = job.result.PROB;
    }
    if (s.RUN_FISHER == 1) {
      s.HM = job.result.HM;
      s.HECA = job.result.HECA;
    }
  }

 private:
  RunQueue& queue_;
  RunRecord& record_;
  size_t next_ = 0;
};

void WriteRuns(State& s, RunQueue& queue, RunWatch& watch) {
  for (;;) {
    StopIfInterrupted(s.RUN);
    RunRecord& record = queue.Front();
    ReplayConsole(record.console, s.console);
    if (record.accepted) {
      RestoreRunSnapshot(record.snapshot, s);
      WorkerResults results(queue, record);
      FinishAcceptedRun(s, results, watch.zeros);
    }
    if (record.error) std::rethrow_exception(record.error);
    // The serial loop notes the attempt once DoOneRun has returned; here the
    // same point is after the run's last line, so a job that stops at the
    // discard limit stops after the same console line.
    watch.NoteAttempt(record.accepted);
    const bool last = record.last;
    queue.PopFront();
    if (last) return;
  }
}

// The producer and the workers, stopped and joined however the writer ends.
class Crew {
 public:
  Crew(RunQueue& queue, StandbyThreads& threads) : queue_(queue), threads_(threads) {}
  ~Crew() { StopAndJoin(); }
  Crew(const Crew&) = delete;
  Crew& operator=(const Crew&) = delete;

  void StopAndJoin() {
    queue_.Stop();
    threads_.JoinAll();
  }

 private:
  RunQueue& queue_;
  StandbyThreads& threads_;
};

}  // namespace

PreparedThreads::PreparedThreads(size_t threads)
    : producer(std::make_unique<State>(producer_console)), crew(threads) {}

std::unique_ptr<PreparedThreads> PrepareThreadedRuns(int test_threads, std::ostream& notes) {
  const size_t wanted = static_cast<size_t>(test_threads) + 1;  // and the producer
  std::unique_ptr<PreparedThreads> prepared;
  try {
    prepared = std::make_unique<PreparedThreads>(wanted);
  } catch (const std::bad_alloc&) {
    WriteNote(notes,
              "there is no memory for the test threads; the job runs on one thread, "
              "with the same results");
    return nullptr;
  }
  const size_t started = prepared->crew.size();
  if (started < 2) {
    WriteNote(notes,
              "no test thread could be started; the job runs on one thread, "
              "with the same results");
    return nullptr;
  }
  if (started < wanted) {
    WriteNote(notes, "only " + std::to_string(started - 1) + " of " + std::to_string(test_threads) +
                         " test threads could be started");
  }
  return prepared;
}

void MakeAllRunsThreaded(State& s, PreparedThreads& prepared, RunWatch& watch) {
  // The producer draws on a state of its own; its console only records.
  State& producer = *prepared.producer;
  RecordedConsole& producer_console = prepared.producer_console;
  CopyParametersAndStream(s, producer);

  const size_t workers = prepared.crew.size() - 1;
  RunQueue queue(BudgetFor(s, static_cast<int>(workers)));
  const bool run_chi2 = s.RUN_CHI2 == 1;
  const bool run_fisher = s.RUN_FISHER == 1;
  RoleTimes times;
  times.workers.assign(workers, 0);
  Crew crew(queue, prepared.crew);
  prepared.crew.Give(0, [&] { Produce(producer, producer_console, queue, times.producer); });
  for (size_t k = 0; k < workers; ++k) {
    double* worker_time = &times.workers[k];
    prepared.crew.Give(k + 1, [&queue, run_chi2, run_fisher, worker_time] {
      TestLoci(queue, run_chi2, run_fisher, *worker_time);
    });
  }
  const double writer_start = ThreadCpuSeconds();
  WriteRuns(s, queue, watch);
  times.writer = ThreadCpuSeconds() - writer_start;
  crew.StopAndJoin();
  ShowRoleTimes(times, watch.notes);
}

}  // namespace gorvan
