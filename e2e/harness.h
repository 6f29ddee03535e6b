// Running the built gorvan program in a scratch directory, as a user would.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace gorvan::e2e {

struct RunResult {
  int exit_code = -1;   // the exit status, or 128 + signal number
  std::string output;   // standard output (the console)
  std::string errors;   // standard error
};

// Runs gorvan with `args` in `dir`, standard input from `input` (closed at
// its end).
RunResult RunGorvan(const std::filesystem::path& dir, const std::vector<std::string>& args = {},
                    const std::string& input = "");

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
