#include "report/console.h"

#include <gtest/gtest.h>

#include <sstream>

namespace gorvan {
namespace {

TEST(ConsoleTest, LinesEndInLineFeed) {
  std::ostringstream out;
  std::istringstream in;
  Console console(out, in, false);
  console.Text("Run = ").Int(1, 6).EndLine();
  console.EndLines(2);
  EXPECT_EQ(out.str(), "Run =      1\n\n\n");
}

TEST(ConsoleTest, RedirectedOutputGetsNoControlCharacters) {
  std::ostringstream out;
  std::istringstream in;
  Console console(out, in, false);
  console.ClearScreen();
  console.Alert();
  EXPECT_EQ(out.str(), "");
}

TEST(ConsoleTest, TerminalGetsClearScreenSequence) {
  std::ostringstream out;
  std::istringstream in;
  Console console(out, in, true);
  console.ClearScreen();
  EXPECT_EQ(out.str(), "\x1b[2J\x1b[H");
}

TEST(ConsoleTest, WaitForEnterConsumesOneLineAndNeverBlocksAtTheEnd) {
  std::ostringstream out;
  std::istringstream in("first\nsecond\n");
  Console console(out, in, false);
  console.WaitForEnter();
  std::string rest;
  std::getline(in, rest);
  EXPECT_EQ(rest, "second");
  console.WaitForEnter();  // at the end of input: returns at once
  console.WaitForEnter();
  EXPECT_TRUE(in.eof());
}

}  // namespace
}  // namespace gorvan
