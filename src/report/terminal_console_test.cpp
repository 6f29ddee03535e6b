#include "report/terminal_console.h"

#include <chrono>
#include <cstdio>
#include <iostream>
#include <sstream>
#include <thread>
#include <unistd.h>

#include <gtest/gtest.h>

namespace gorvan {
namespace {

TEST(ConsoleTest, LinesEndInLineFeed) {
  std::ostringstream out;
  std::istringstream in;
  TerminalConsole console(out, in, false);
  console.Text("Run = ").Int(1, 6).EndLine();
  console.EndLines(2);
  EXPECT_EQ(out.str(), "Run =      1\n\n\n");
}

TEST(ConsoleTest, RedirectedOutputGetsNoControlCharacters) {
  std::ostringstream out;
  std::istringstream in;
  TerminalConsole console(out, in, false);
  console.ClearScreen();
  console.Alert();
  EXPECT_EQ(out.str(), "");
}

TEST(ConsoleTest, TerminalGetsClearScreenSequence) {
  std::ostringstream out;
  std::istringstream in;
  TerminalConsole console(out, in, true);
  console.ClearScreen();
  EXPECT_EQ(out.str(), "\x1b[2J\x1b[H");
}

TEST(ConsoleTest, WaitForEnterConsumesOneLineAndNeverBlocksAtTheEnd) {
  std::ostringstream out;
  std::istringstream in("first\nsecond\n");
  TerminalConsole console(out, in, false);
  console.WaitForEnter();
  std::string rest;
  std::getline(in, rest);
  EXPECT_EQ(rest, "second");
  console.WaitForEnter();  // at the end of input: returns at once
  console.WaitForEnter();
  EXPECT_TRUE(in.eof());
}

// The program's standard input is a pipe whose writer goes away while a
// pause waits on it (a script that ends, a closed terminal): the wait ends,
// and every later pause returns at once instead of hanging the job.
TEST(ConsoleTest, APauseEndsWhenStandardInputIsClosedWhileItWaits) {
  int pipe_ends[2];
  ASSERT_EQ(::pipe(pipe_ends), 0);
  const int saved_stdin = ::dup(STDIN_FILENO);
  ASSERT_GE(saved_stdin, 0);
  ASSERT_GE(::dup2(pipe_ends[0], STDIN_FILENO), 0);
  ::close(pipe_ends[0]);

  std::thread writer_goes_away([writer = pipe_ends[1]] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ::close(writer);
  });
  std::ostringstream out;
  TerminalConsole console(out, std::cin, false);
  console.WaitForEnter();  // blocks until the writer is gone
  writer_goes_away.join();
  console.WaitForEnter();
  const bool at_end = std::cin.eof();

  ::dup2(saved_stdin, STDIN_FILENO);
  ::close(saved_stdin);
  std::clearerr(stdin);
  std::cin.clear();
  EXPECT_TRUE(at_end);
  EXPECT_EQ(out.str(), "");
}

}  // namespace
}  // namespace gorvan
