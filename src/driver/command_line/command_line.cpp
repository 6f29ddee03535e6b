#include "driver/command_line/command_line.h"

#include <cstdint>
#include <string_view>

#include "textio/token_reader.h"

namespace gorvan {
namespace {

// A decimal integer from -2147483648 to 4294967295, kept as its 32-bit
// two's-complement value.
std::optional<int32_t> ParseSeed(std::string_view text) {
  const std::optional<int64_t> value = ParseDecimal(text, INT32_MIN, UINT32_MAX);
  if (!value) return std::nullopt;
  return static_cast<int32_t>(static_cast<uint32_t>(*value));
}

// The most threads that can be asked for by number.
constexpr int kMostThreads = 1024;

// A decimal count of threads from 0 to kMostThreads.
std::optional<int> ParseThreads(std::string_view text) {
  const std::optional<int64_t> value = ParseDecimal(text, 0, kMostThreads);
  if (!value) return std::nullopt;
  return static_cast<int>(*value);
}

CommandLine UsageError(std::string message) {
  CommandLine result;
  result.action = CommandLine::Action::kUsageError;
  result.error = std::move(message);
  return result;
}

}  // namespace

CommandLine ParseCommandLine(int argc, const char* const* argv) {
  CommandLine result;
  bool threads_given = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      result.action = CommandLine::Action::kHelp;
      return result;
    }
    if (arg == "--version") {
      result.action = CommandLine::Action::kVersion;
      return result;
    }
    if (arg == "--check") {
      result.action = CommandLine::Action::kCheck;
      continue;
    }
    if (arg == "--threads" || arg == "-t" || arg.starts_with("--threads=")) {
      std::string_view value;
      if (arg.starts_with("--threads=")) {
        value = arg.substr(10);
      } else if (i + 1 < argc) {
        value = argv[++i];
      } else {
        return UsageError(std::string(arg) + " needs a value");
      }
      if (threads_given) return UsageError("--threads given more than once");
      threads_given = true;
      const std::optional<int> threads = ParseThreads(value);
      if (!threads) {
        return UsageError("--threads takes a whole number from 0 (every processor) to " +
                          std::to_string(kMostThreads) + ", not \"" + std::string(value) + "\"");
      }
      result.threads = *threads;
      continue;
    }
    std::string_view value;
    if (arg == "--seed") {
      if (i + 1 >= argc) return UsageError("--seed needs a value");
      value = argv[++i];
    } else if (arg.starts_with("--seed=")) {
      value = arg.substr(7);
    } else {
      return UsageError("unknown argument \"" + std::string(arg) + "\"");
    }
    if (result.seed) return UsageError("--seed given more than once");
    result.seed = ParseSeed(value);
    if (!result.seed) {
      return UsageError("--seed takes a decimal integer from -2147483648 to 4294967295, not \"" +
                        std::string(value) + "\"");
    }
  }
  return result;
}

std::string UsageText() {
  return "Usage: gorvan [--seed N] [--threads N]\n"
         "       gorvan --check | --version | --help\n"
         "\n"
         "Estimates the power of tests for genetic differentiation. The parameters\n"
         "are read from GORVAN.IN in the working directory; the report is written\n"
         "to GORVAN.OUT and the per-run details to FST.OUT, SUBPOPS.OUT,\n"
         "SAMPLES.OUT, LOCUSTST.OUT and SUMTEST.OUT there. One job runs in a\n"
         "directory at a time: run several jobs in directories of their own.\n"
         "\n"
         "  --seed N   seed the random numbers with N (a decimal integer from\n"
         "             -2147483648 to 4294967295) instead of the millisecond\n"
         "             counter, so that a simulation can be repeated exactly; the\n"
         "             seed of every job is shown on standard error\n"
         "  --threads N, -t N\n"
         "             test the loci on N threads (0: on every processor this\n"
         "             process may use); the files and the console are the same\n"
         "             for every N, and above 1 no scratch file CONTTAB.XYZ is used\n"
         "  --check    read and check GORVAN.IN as a job would, create no file,\n"
         "             and print the design as JSON on standard output\n"
         "  --version  show the version and the source revision of this build\n"
         "  --help     show this text\n"
         "\n"
         "GORVAN.IN, line by line (text after the values on a line is ignored):\n"
         "  1, 2    comments (the first 80 bytes go into the report)\n"
         "  3       Fisher test chain: dememorisation steps, batches, steps per batch\n"
         "  4       chi-square test (1 on, else off), Fisher test (1 on, else off)\n"
         "  5       1 deletes the detail files at the end\n"
         "  6       skipped (a label)\n"
         "  7       number of loci (1 to 50)\n"
         "  8       number of subpopulations (2 to 30)\n"
         "  9       effective size (diploids) while drifting\n"
         "  10      generations of drift (0: samples from the base population)\n"
         "  11      the diploid sample size of each subpopulation\n"
         "  12      number of runs\n"
         "  13, 14  skipped (labels)\n"
         "  15 on   one line per locus: number of alleles, then their frequencies\n"
         "\n"
         "Files written in the working directory:\n"
         "  GORVAN.OUT    parameter echo, power table, F'st summary\n"
         "  FST.OUT       per run: generations, Ht, Hs and F'st reached\n"
         "  SUBPOPS.OUT   per run: allele frequencies of the subpopulations\n"
         "  SAMPLES.OUT   per run: allele counts of the samples\n"
         "  LOCUSTST.OUT  per run and locus: chi-square, df, P; Fisher's P and SE\n"
         "  SUMTEST.OUT   per run: the combined tests\n"
         "  CONTTAB.XYZ   scratch table, deleted at the end (not used with --threads\n"
         "                above 1)\n"
         "  GORVAN.LCK    held while a job runs, deleted at the end\n"
         "\n"
         "Exit status:\n"
         "  0    the job is complete (or --check found the file usable)\n"
         "  1    the parameters cannot be used, or no run can be accepted; the\n"
         "       reason is shown\n"
         "  2    a usage error on the command line, or a file not found\n"
         "  3    path not found\n"
         "  5    access denied (a file cannot be created or opened)\n"
         "  70   internal error\n"
         "  75   another job is running in this directory\n"
         "  100  disk read error (also a file over 64 MiB)\n"
         "  101  disk write error (also a full disk or a file-size limit)\n"
         "  106  invalid numeric format in a file\n"
         "  215  integer overflow\n"
         "  129, 130, 143\n"
         "       interrupted by SIGHUP, SIGINT (Ctrl-C) or SIGTERM after a whole run;\n"
         "       standard error says how many runs the files hold\n";
}

}  // namespace gorvan
