#include "textio/text_file.h"

#include <filesystem>

#include <gtest/gtest.h>

#include "base/runtime_error.h"
#include "testing/scoped_work_dir.h"

namespace gorvan {
namespace {

int ErrorNumberOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const RuntimeError& e) {
    return e.number();
  }
  return 0;
}

TEST(TextFileTest, LinesEndInCrLfAndReplaceAnOldFile) {
  ScopedWorkDir dir;
  dir.WriteFile("OUT.TXT", "old content that must disappear");
  TextFile file;
  file.Assign("OUT.TXT");
  file.Rewrite();
  file.Text("Run", 5).Int(12, 4).EndLine();
  file.EndLine();
  file.Real(0.05L, 8, 4);  // an unfinished line is written on close
  file.Close();
  EXPECT_EQ(dir.ReadFile("OUT.TXT"), "  Run  12\r\n\r\n  0.0500");
}

TEST(TextFileTest, CompletedLinesAreOnDiskBeforeTheFileIsClosed) {
  ScopedWorkDir dir;
  TextFile file;
  file.Assign("LIVE.TXT");
  file.Rewrite();
  file.Text("first").EndLine();
  file.Text("pending");
  EXPECT_EQ(dir.ReadFile("LIVE.TXT"), "first\r\n");
}

TEST(TextFileTest, ReadingFollowsTheTokenRules) {
  ScopedWorkDir dir;
  dir.WriteFile("IN.TXT", "comment line\r\n 3 $10\n0.25");
  TextFile file;
  file.Assign("IN.TXT");
  file.Reset();
  EXPECT_EQ(file.ReadLine(7), "comment");
  file.SkipLine();
  EXPECT_EQ(file.ReadInt(), 3);
  EXPECT_EQ(file.ReadInt(), 16);
  EXPECT_EQ(file.LastTokenLine(), 2);
  EXPECT_EQ(file.ReadReal(), 0.25L);
  EXPECT_EQ(file.ReadInt(), 0);  // past the end
  file.Close();
  EXPECT_FALSE(file.is_open());
}

TEST(TextFileTest, FailuresCarryTheirErrorNumbers) {
  ScopedWorkDir dir;
  TextFile file;
  file.Assign("MISSING.IN");
  EXPECT_EQ(ErrorNumberOf([&] { file.Reset(); }), kFileNotFound);
  EXPECT_EQ(ErrorNumberOf([&] { file.Erase(); }), kFileNotFound);

  std::filesystem::create_directory("ADIR");
  file.Assign("ADIR");
  EXPECT_EQ(ErrorNumberOf([&] { file.Reset(); }), kAccessDenied);
  EXPECT_EQ(ErrorNumberOf([&] { file.Rewrite(); }), kAccessDenied);

  file.Assign("NODIR/FILE.OUT");
  EXPECT_EQ(ErrorNumberOf([&] { file.Rewrite(); }), kPathNotFound);

  dir.WriteFile("BAD.IN", "12x");
  file.Assign("BAD.IN");
  file.Reset();
  EXPECT_EQ(ErrorNumberOf([&] { file.ReadInt(); }), kInvalidNumericFormat);
}

TEST(TextFileTest, WriteToAFullDeviceIsDiskWriteError) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  ScopedWorkDir dir;
  std::filesystem::create_symlink("/dev/full", "FULL.OUT");
  TextFile file;
  file.Assign("FULL.OUT");
  file.Rewrite();
  file.Text("x");
  EXPECT_EQ(ErrorNumberOf([&] { file.EndLine(); }), kDiskWriteError);
}

// A name that leads to an endless source is read up to the limit and then
// refused, instead of filling the memory until the program is killed.
TEST(TextFileTest, AnEndlessSourceIsRefusedAsDiskReadError) {
  if (!std::filesystem::exists("/dev/zero")) GTEST_SKIP() << "no /dev/zero";
  ScopedWorkDir dir;
  std::filesystem::create_symlink("/dev/zero", "ENDLESS.IN");
  TextFile file;
  file.Assign("ENDLESS.IN");
  try {
    file.Reset();
    ADD_FAILURE() << "an endless file was read";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.number(), kDiskReadError);
    EXPECT_EQ(e.detail(), "reading file ENDLESS.IN: File too large");
  }
  EXPECT_FALSE(file.is_open());
}

TEST(RuntimeErrorTest, ConsoleLinesNameNumberLocationAndCause) {
  const RuntimeError error(kFileNotFound, "opening file GORVAN.IN for reading: gone");
  const std::vector<std::string> lines = error.ConsoleLines();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[0].rfind("Runtime error 2 at $", 0), 0u);
  EXPECT_EQ(lines[0].size(), std::string("Runtime error 2 at $").size() + 8);
  EXPECT_NE(lines[1].find("GORVAN.IN"), std::string::npos);
}

}  // namespace
}  // namespace gorvan

namespace gorvan {
namespace {

// The scratch file's way of writing: the old content is gone, the lines
// reach the file whole when it is closed, and it reads back at once.
TEST(TextFileInOnePieceTest, ReplacesTheOldFileAndWritesOnClose) {
  ScopedWorkDir dir;
  dir.WriteFile("SCRATCH.XYZ", "a much longer old content that must disappear entirely\r\n");
  TextFile file;
  file.Assign("SCRATCH.XYZ");
  for (int round = 1; round <= 3; ++round) {
    file.RewriteInOnePiece();
    file.Int(round, 5).EndLine();
    file.Text("end");  // an unfinished line is written on close too
    file.Close();
    EXPECT_EQ(dir.ReadFile("SCRATCH.XYZ"), "    " + std::to_string(round) + "\r\nend");
  }
  // A plain Rewrite after it writes line by line again.
  file.Rewrite();
  file.Text("live").EndLine();
  EXPECT_EQ(dir.ReadFile("SCRATCH.XYZ"), "live\r\n");
  file.Close();
}

// A directory stays in the way, with Rewrite's error number. Anything else
// under the name is replaced by a new file of the job's own: a second name
// of an old file and the target of a symbolic link keep what they held.
TEST(TextFileInOnePieceTest, DirectoriesStayInTheWayLinksAreReplacedNotFollowed) {
  ScopedWorkDir dir;
  TextFile file;
  std::filesystem::create_directory("ADIR");
  file.Assign("ADIR");
  EXPECT_EQ(ErrorNumberOf([&] { file.RewriteInOnePiece(); }), kAccessDenied);
  EXPECT_TRUE(std::filesystem::is_directory("ADIR"));

  dir.WriteFile("FIRST.TXT", "old");
  std::filesystem::create_hard_link("FIRST.TXT", "SECOND.TXT");
  dir.WriteFile("TARGET.TXT", "kept");
  std::filesystem::create_symlink("TARGET.TXT", "LINK.XYZ");
  std::filesystem::create_symlink("MISSING.TXT", "DANGLING.XYZ");
  for (const char* name : {"SECOND.TXT", "LINK.XYZ", "DANGLING.XYZ"}) {
    file.Assign(name);
    file.RewriteInOnePiece();
    file.Text("new").EndLine();
    file.Close();
    EXPECT_TRUE(std::filesystem::is_regular_file(std::filesystem::symlink_status(name))) << name;
    EXPECT_EQ(dir.ReadFile(name), "new\r\n") << name;
  }
  EXPECT_EQ(dir.ReadFile("FIRST.TXT"), "old");
  EXPECT_EQ(dir.ReadFile("TARGET.TXT"), "kept");
  EXPECT_FALSE(std::filesystem::exists("MISSING.TXT"));
}

}  // namespace
}  // namespace gorvan
