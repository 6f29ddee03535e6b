#include "stats/table/table_file.h"

#include "textio/number_format.h"

namespace gorvan {
namespace {

constexpr int kTableFieldWidth = 5;

}  // namespace

void WriteTableNumber(FieldWriter& out, int32_t value) {
  const std::string digits = FormatInt(value, 0);
  if (digits.size() >= kTableFieldWidth) {
    out.Text(" ").Text(digits);
  } else {
    out.Text(digits, kTableFieldWidth);
  }
}

void WriteTableHeader(FieldWriter& out, const TableFileHeader& header) {
  WriteTableNumber(out, header.rows);
  WriteTableNumber(out, header.columns);
  for (int32_t seed : header.seeds) WriteTableNumber(out, seed);
  out.Text("  ").Int(header.ITER1).Text("  ").Int(header.ITER2).Text("  ").Int(header.ITER3);
  out.EndLine();
}

}  // namespace gorvan
