#include "driver/command_line/command_line.h"

#include <vector>

#include <gtest/gtest.h>

namespace gorvan {
namespace {

CommandLine Parse(std::vector<const char*> args) {
  args.insert(args.begin(), "gorvan");
  return ParseCommandLine(static_cast<int>(args.size()), args.data());
}

TEST(ParseCommandLineTest, NoArgumentsRunsWithTheTickCounter) {
  const CommandLine line = Parse({});
  EXPECT_EQ(line.action, CommandLine::Action::kRun);
  EXPECT_FALSE(line.seed.has_value());
}

TEST(ParseCommandLineTest, SeedIsKeptAsItsTwosComplement) {
  EXPECT_EQ(Parse({"--seed", "42"}).seed, 42);
  EXPECT_EQ(Parse({"--seed=-7"}).seed, -7);
  EXPECT_EQ(Parse({"--seed", "-2147483648"}).seed, INT32_MIN);
  EXPECT_EQ(Parse({"--seed", "4294967295"}).seed, -1);
  EXPECT_EQ(Parse({"--seed", "2147483648"}).seed, INT32_MIN);
}

TEST(ParseCommandLineTest, BadSeedsAndArgumentsAreUsageErrors) {
  for (std::vector<const char*> args : {std::vector<const char*>{"--seed"},
                                        {"--seed", ""},
                                        {"--seed", "x"},
                                        {"--seed", "0x10"},
                                        {"--seed", "4294967296"},
                                        {"--seed", "-2147483649"},
                                        {"--seed", "12345678901"},
                                        {"--seed", "1", "--seed", "1"},
                                        {"-s", "1"},
                                        {"GORVAN.IN"},
                                        {"--threads"},
                                        {"-t", "-1"},
                                        {"--threads", "two"},
                                        {"--threads=1.5"},
                                        {"--threads", "1025"},
                                        {"--threads", ""},
                                        {"--threads", "2", "-t", "2"},
                                        {"--threads=1", "--threads", "3"}}) {
    const CommandLine line = Parse(args);
    EXPECT_EQ(line.action, CommandLine::Action::kUsageError) << args[0];
    EXPECT_FALSE(line.error.empty());
  }
}

TEST(ParseCommandLineTest, ThreadsDefaultToOneAndZeroMeansEveryProcessor) {
  EXPECT_EQ(Parse({}).threads, 1);
  EXPECT_EQ(Parse({"--threads", "4"}).threads, 4);
  EXPECT_EQ(Parse({"-t", "0"}).threads, 0);
  EXPECT_EQ(Parse({"--threads=1024", "--seed", "3"}).threads, 1024);
  EXPECT_EQ(Parse({"--threads=1024", "--seed", "3"}).seed, 3);
}

TEST(ParseCommandLineTest, HelpWins) {
  EXPECT_EQ(Parse({"--help"}).action, CommandLine::Action::kHelp);
  EXPECT_EQ(Parse({"--seed", "3", "-h"}).action, CommandLine::Action::kHelp);
}

}  // namespace
}  // namespace gorvan
