// Running the built gorvan program in a scratch directory, as a user would.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace gorvan::e2e {

struct RunResult {
  int exit_code = -1;       // the exit status, or 128 + signal number
  std::string output;       // standard output (the console)
  std::string errors;       // standard error
  long peak_memory_kb = 0;  // the program's largest resident set
};

// Runs gorvan with `args` in `dir`, standard input from `input` (closed at
// its end).
RunResult RunGorvan(const std::filesystem::path& dir, const std::vector<std::string>& args = {},
                    const std::string& input = "");

// The environment of one run, for tests that make it fail on purpose.
struct Launch {
  std::vector<std::string> args;
  std::string input;  // standard input, closed at its end
  // The largest file the program may write, in bytes (0: no limit). A write
  // beyond it fails with "File too large", as on a full quota.
  long file_size_limit = 0;
  // When set, the console is read through a pipe of one page, and this is
  // called with the console text read so far each time more arrives. The
  // program cannot get more than a page of console text ahead of it, so a
  // test can act at a known point of the run.
  std::function<void(const std::string& console_so_far)> watch_console;
  // Limits of the environment: open files (RLIMIT_NOFILE) and address space
  // in bytes (RLIMIT_AS); 0: as the tests run. The umask, when set.
  long open_files_limit = 0;
  long address_space_limit = 0;
  int umask = -1;
  // Set to the program's process id once it is started (for signals).
  int* pid = nullptr;
};
RunResult RunGorvan(const std::filesystem::path& dir, const Launch& launch);

// Standard error without the program's own lines for people (the seed,
// warnings, reasons of stops: each begins with "gorvan: "): what is left is
// a report of a sanitizer or of the C++ runtime, which no run may give.
std::string UnexpectedErrors(const std::string& errors);

// A fresh scratch directory, removed with its content at the end.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  void Write(const std::string& name, const std::string& content) const;
  std::string Read(const std::string& name) const;
  bool Exists(const std::string& name) const;
  // The names of the files in the directory, sorted.
  std::vector<std::string> Files() const;

 private:
  std::filesystem::path path_;
};

// The lines of a file's text, split at CR LF (an unterminated last line is
// kept; a line end of any other form is a test failure left to the caller).
std::vector<std::string> SplitCrLf(const std::string& text);

}  // namespace gorvan::e2e
