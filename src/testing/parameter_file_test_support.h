// For tests of the parameter reader: GORVAN.IN written byte for byte into a
// scoped working directory, read with a captured console.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/program_stop.h"
#include "input/read_infile.h"
#include "report/terminal_console.h"
#include "state/state.h"
#include "testing/scoped_work_dir.h"

namespace gorvan::testing {

// The valid two-locus example: 3 subpopulations, 1000 runs, both tests.
inline std::vector<std::string> ExampleLines() {
  return {"Two loci, three samples",
          "drift for 10 generations at Ne = 100",
          "1000 100 1000",
          "1 1",
          "0",
          "Loci, populations, Ne, generations, sample sizes, runs:",
          "2",
          "3",
          "100",
          "10",
          "50 50 50",
          "1000",
          "Base population allele frequencies:",
          "alleles, then frequencies",
          "2 0.5 0.5",
          "3 0.2 0.3 0.5"};
}

// `lines` with line `number` (1-based) replaced by `text`.
inline std::vector<std::string> With(std::vector<std::string> lines, size_t number,
                                     std::string text) {
  if (lines.size() < number) lines.resize(number);
  lines[number - 1] = std::move(text);
  return lines;
}

inline std::string Join(const std::vector<std::string>& lines,
                        const std::string& line_end = "\r\n") {
  std::string text;
  for (const std::string& line : lines) text += line + line_end;
  return text;
}

// The console text of a stop for an unsound parameter.
inline std::string HaltedBecause(const std::string& reason) {
  return std::string(10, '\n') + "   PROGRAM HALTED\n   " + reason + "\n";
}

class ParameterFileTest : public ::testing::Test {
 protected:
  ParameterFileTest() { MakeState(false); }

  // A console that is a terminal: the screen is cleared with control
  // characters and the alert sounds (with its pause).
  void UseTerminalConsole() { MakeState(true); }

  // Writes GORVAN.IN and reads it. Returns the exit code of a stop, or
  // nothing when the file was accepted.
  std::optional<int> Read(const std::string& content) {
    dir_.WriteFile(kParameterFileName, content);
    return ReadWritten();
  }
  std::optional<int> Read(const std::vector<std::string>& lines) { return Read(Join(lines)); }

  std::optional<int> ReadWritten() {
    try {
      READ_INFILE(*s_);
    } catch (const ProgramStop& stop) {
      return stop.exit_code;
    }
    return std::nullopt;
  }

  std::string ConsoleText() const { return console_out_.str(); }

  std::vector<std::string> FilesInWorkDir() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir_.path())) {
      names.push_back(entry.path().filename().string());
    }
    return names;
  }

  ScopedWorkDir dir_;
  std::ostringstream console_out_;
  std::istringstream console_in_;
  std::unique_ptr<TerminalConsole> console_;
  std::unique_ptr<State> s_;

 private:
  void MakeState(bool terminal) {
    s_.reset();
    console_ = std::make_unique<TerminalConsole>(console_out_, console_in_, terminal);
    s_ = std::make_unique<State>(*console_);
  }
};

}  // namespace gorvan::testing
