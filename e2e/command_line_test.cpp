// The program as a user starts it: arguments, and a start without a
// parameter file.
#include <regex>
#include <string>

#include <gtest/gtest.h>

#include "harness.h"

namespace gorvan::e2e {
namespace {

TEST(CommandLineTest, HelpPrintsUsageAndSucceeds) {
  ScratchDir dir;
  const RunResult run = RunGorvan(dir.path(), {"--help"});
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_NE(run.output.find("Usage: gorvan [--seed N]"), std::string::npos);
  // The parameter file's lines, the files and every exit code.
  for (const char* part :
       {"  12      number of runs\n", "  SUMTEST.OUT ", "  70   internal error\n",
        "  75   another job is running in this directory\n", "  215  "}) {
    EXPECT_NE(run.output.find(part), std::string::npos) << part;
  }
  EXPECT_TRUE(dir.Files().empty());
}

// The version, and the source revision the build came from: a commit of 12
// hexadecimal digits (marked when the tree differed from it), or "unknown"
// for a build outside git.
TEST(CommandLineTest, VersionNamesTheReleaseAndTheSourceRevision) {
  ScratchDir dir;
  const RunResult run = RunGorvan(dir.path(), {"--version"});
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_EQ(run.errors, "");
  EXPECT_TRUE(std::regex_match(
      run.output,
      std::regex("gorvan 1\\.0\\.0 \\(source revision ([0-9a-f]{12}(-modified)?|unknown)\\)\n")))
      << run.output;
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

// The check reads the file as a job does: values that run over lines are
// found where the job finds them, and every parameter names its line.
TEST(CommandLineTest, CheckPrintsTheDesignWithTheLinesItCameFrom) {
  ScratchDir dir;
  // The sample sizes run over two lines, so every later value stands one
  // line further down; the frequency keeps its text as written.
  dir.Write("GORVAN.IN",
            "first \"comment\"\r\nsecond\r\n100 10 100\r\n1 0\r\n1\r\nlabel\r\n1\r\n2\r\n"
            "50\r\n3\r\n20\r\n25\r\n7\r\nl\r\nl\r\n2 0.25 7.5E-1\r\n");
  const RunResult run = RunGorvan(dir.path(), {"--check"});
  ASSERT_EQ(run.exit_code, 0) << run.errors;
  EXPECT_EQ(run.errors, "");
  for (const char* expected :
       {"\"comment1\": {\"line\": 1, \"value\": \"first \\\"comment\\\"\"}",
        "\"fisher_test\": {\"line\": 4, \"value\": 0}",
        "\"generations\": {\"line\": 10, \"value\": 3}",
        "\"samples\": {\"line\": 11, \"value\": [20, 25]}",
        "\"runs\": {\"line\": 13, \"value\": 7}",
        "{\"line\": 16, \"alleles\": 2, \"frequencies\": [0.25, 0.75], \"texts\": [\"0.25\", "
        "\"7.5E-1\"]}",
        "\"expected_fst\": 0.0297"}) {
    EXPECT_NE(run.output.find(expected), std::string::npos) << expected << "\n" << run.output;
  }
  EXPECT_EQ(dir.Files(), std::vector<std::string>{"GORVAN.IN"});
}

// The first comment is cut at 80 bytes, perhaps inside a character, and a
// comment may be in any code page. Well-formed UTF-8 comes out as it is;
// each other byte is written as U+DC80 to U+DCFF (the byte plus 0xdc00), so
// a reader gets every byte back.
TEST(CommandLineTest, CheckWritesCommentsByteForByte) {
  struct Case {
    std::string comment1;  // the first line as written in the file
    std::string json;      // comment1's value in the check
    const char* what;
  };
  const std::string a76(76, 'a'), a77(77, 'a'), a78(78, 'a'), a79(79, 'a');
  for (const Case& c :
       {Case{a79 + "\xc3\xa9 more", a79 + "\\udcc3", "cut inside a 2-byte character"},
        Case{a78 + "\xe2\x82\xac", a78 + "\\udce2\\udc82", "cut inside a 3-byte character"},
        Case{a77 + "\xf0\x9f\x98\x80", a77 + "\\udcf0\\udc9f\\udc98",
             "cut inside a 4-byte character"},
        Case{"\xc3\xa9" + a76 + "\xe2\x82\xac", "\xc3\xa9" + a76 + "\\udce2\\udc82",
             "whole characters kept before the cut one"},
        Case{"caf\xe9 cr\xe8me \"br\xfbl\xe9"
             "e\"",
             "caf\\udce9 cr\\udce8me \\\"br\\udcfbl\\udce9e\\\"", "Latin-1"},
        Case{"\xed\xb2\x80 \xc0\xaf \x80", "\\udced\\udcb2\\udc80 \\udcc0\\udcaf \\udc80",
             "an encoded surrogate, an overlong form, a lone continuation byte"},
        Case{"tab\there \xce\xb1\xce\xb2", "tab\\u0009here \xce\xb1\xce\xb2",
             "control characters escaped, Greek kept"}}) {
    ScratchDir dir;
    dir.Write("GORVAN.IN", c.comment1 +
                               "\nsecond \xc3\xa9\n10 10 10\n1 1\n1\nl\n1\n2\n10\n1\n5 5\n3\n"
                               "l\nl\n2 0.5 0.5\n");
    const RunResult run = RunGorvan(dir.path(), {"--check"});
    ASSERT_EQ(run.exit_code, 0) << c.what << "\n" << run.errors;
    const std::string expected = "\"comment1\": {\"line\": 1, \"value\": \"" + c.json + "\"},\n";
    EXPECT_NE(run.output.find(expected), std::string::npos) << c.what << "\n" << run.output;
    EXPECT_NE(run.output.find("\"comment2\": {\"line\": 2, \"value\": \"second \xc3\xa9\"},\n"),
              std::string::npos)
        << run.output;
  }
}

// A file a job refuses is refused by the check with the job's exit code; the
// message goes to standard error and nothing to standard output.
TEST(CommandLineTest, CheckRefusesWhatAJobRefuses) {
  struct Case {
    const char* content;  // nullptr: no parameter file
    int exit_code;
    const char* message;
  };
  const std::string head = "c\nc\n10 10 10\n1 1\n1\nl\n";
  const std::string loci_51 = head + "51\n";
  const std::string bad_sum = head + "1\n2\n10\n1\n5 5\n3\nl\nl\n2 0.5 0.4\n";
  const std::string bad_token = head + "1\n2\n1x0\n";
  for (const Case& c :
       {Case{nullptr, 2, "No such file or directory"}, Case{loci_51.c_str(), 1, "TOO MANY LOCI!"},
        Case{bad_sum.c_str(), 1, "do not sum to unity at Locus  1"},
        Case{bad_token.c_str(), 106, "\"1x0\" is not a valid integer"}}) {
    ScratchDir dir;
    if (c.content != nullptr) dir.Write("GORVAN.IN", c.content);
    const RunResult check = RunGorvan(dir.path(), {"--check"});
    EXPECT_EQ(check.exit_code, c.exit_code) << c.message;
    EXPECT_EQ(check.output, "");
    EXPECT_NE(check.errors.find(c.message), std::string::npos) << check.errors;
    const RunResult job = RunGorvan(dir.path(), {"--seed", "1"});
    EXPECT_EQ(job.exit_code, c.exit_code) << c.message;
  }
}

}  // namespace
}  // namespace gorvan::e2e
