// What the fuzzing harnesses share: a fresh state for every input, and the
// way a broken expectation is reported (an abort, which libFuzzer records
// as a crash together with the input that caused it).
#pragma once

#include <cstdio>
#include <cstdlib>
#include <new>

#include "report/terminal_console.h"
#include "state/state.h"

namespace gorvan::fuzz {

[[noreturn]] inline void Finding(const char* harness, const char* what) {
  std::fprintf(stderr, "%s: %s\n", harness, what);
  std::abort();
}

// A fresh state for every input, built in the same static storage each
// time: allocating its megabyte anew per input costs more than the reading.
class FreshState {
 public:
  explicit FreshState(Console& console) : state_(new (storage_) State(console)) {}
  ~FreshState() { state_->~State(); }
  FreshState(const FreshState&) = delete;
  FreshState& operator=(const FreshState&) = delete;
  State& operator*() const { return *state_; }
  State* operator->() const { return state_; }

 private:
  alignas(State) static inline unsigned char storage_[sizeof(State)];
  State* state_;
};

}  // namespace gorvan::fuzz
