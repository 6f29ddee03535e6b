// The program as a user starts it: arguments, and a start without a
// parameter file.
#include <gtest/gtest.h>

#include "harness.h"

namespace gorvan::e2e {
namespace {

TEST(CommandLineTest, HelpPrintsUsageAndSucceeds) {
  ScratchDir dir;
  const RunResult run = RunGorvan(dir.path(), {"--help"});
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_NE(run.output.find("Usage: gorvan [--seed N]"), std::string::npos);
  EXPECT_TRUE(dir.Files().empty());
}

TEST(CommandLineTest, UnknownArgumentsAreRefusedWithUsageOnStandardError) {
  ScratchDir dir;
  dir.Write("GORVAN.IN", "");
  for (const std::vector<std::string>& args : {std::vector<std::string>{"--sed", "3"},
                                               {"extra"},
                                               {"--seed"},
                                               {"--seed", "1.5"},
                                               {"--seed", "4294967296"},
                                               {"--seed", "-2147483649"},
                                               {"--seed", "1", "--seed", "2"},
                                               {"--threads", "-1"},
                                               {"-t", "many"}}) {
    const RunResult run = RunGorvan(dir.path(), args);
    EXPECT_EQ(run.exit_code, 2) << args[0];
    EXPECT_NE(run.errors.find("Usage: gorvan"), std::string::npos);
    EXPECT_TRUE(run.output.empty());
  }
  EXPECT_EQ(dir.Files(), std::vector<std::string>{"GORVAN.IN"});
}

TEST(CommandLineTest, MissingParameterFileIsRuntimeError2) {
  ScratchDir dir;
  const RunResult run = RunGorvan(dir.path(), {"--seed", "4294967295"});
  EXPECT_EQ(run.exit_code, 2);
  EXPECT_EQ(run.output.rfind("Runtime error 2 at $", 0), 0u) << run.output;
  EXPECT_NE(run.output.find("GORVAN.IN"), std::string::npos);
  EXPECT_NE(run.output.find("No such file or directory"), std::string::npos);
  EXPECT_TRUE(dir.Files().empty());
}

}  // namespace
}  // namespace gorvan::e2e
