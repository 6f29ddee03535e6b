#include "stats/table/table_file.h"

#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "testing/scoped_work_dir.h"
#include "textio/text_file.h"

namespace gorvan {
namespace {

// Writes through a TextFile, as the program does, and returns the bytes.
template <typename WriteFn>
std::string Written(WriteFn write) {
  ScopedWorkDir dir;
  TextFile file;
  file.Assign("CONTTAB.XYZ");
  file.Rewrite();
  write(file);
  file.Close();
  return dir.ReadFile("CONTTAB.XYZ");
}

TableFileHeader ExampleHeader() {
  TableFileHeader header;
  header.rows = 2;
  header.columns = 3;
  header.seeds[0] = 17;
  header.seeds[1] = 92;
  header.seeds[2] = 140;
  header.seeds[3] = 5;
  header.ITER1 = 1000;
  header.ITER2 = 100;
  header.ITER3 = 1000;
  return header;
}

TEST(TableFileTest, HeaderOfTheWorkedExample) {
  const std::string text = Written([](TextFile& f) { WriteTableHeader(f, ExampleHeader()); });
  EXPECT_EQ(text, "    2    3   17   92  140    5  1000  100  1000\r\n");
  EXPECT_EQ(text.size(), 47u + 2u);
}

TEST(TableFileTest, ChainLengthsHaveNoPaddingOfTheirOwn) {
  TableFileHeader shorter = ExampleHeader();
  shorter.ITER1 = 10000;
  TableFileHeader longer = ExampleHeader();
  longer.ITER1 = 100000;
  const std::string a = Written([&](TextFile& f) { WriteTableHeader(f, shorter); });
  const std::string b = Written([&](TextFile& f) { WriteTableHeader(f, longer); });
  EXPECT_EQ(b.size(), a.size() + 1);
  EXPECT_NE(b.find("  100000  100  1000\r\n"), std::string::npos) << b;
}

TEST(TableFileTest, CountsBelowTenThousandKeepWidthFive) {
  const std::string text = Written([](TextFile& f) {
    for (int32_t count : {0, 7, 12, 999, 9999}) WriteTableNumber(f, count);
    f.EndLine();
  });
  EXPECT_EQ(text, "    0    7   12  999 9999\r\n");
}

TEST(TableFileTest, LongCountsGetABlankAndReadBackAsThemselves) {
  const int32_t counts[] = {12000, 10000, 32767, 5, -1234, 9999};
  const std::string text = Written([&](TextFile& f) {
    for (int32_t count : counts) WriteTableNumber(f, count);
    f.EndLine();
  });
  EXPECT_EQ(text, " 12000 10000 32767    5 -1234 9999\r\n");
  std::istringstream tokens(text);
  for (int32_t count : counts) {
    int32_t read = 0;
    ASSERT_TRUE(tokens >> read);
    EXPECT_EQ(read, count);
  }
}

}  // namespace
}  // namespace gorvan
