#include "textio/field_writer.h"

#include "textio/number_format.h"

namespace gorvan {

FieldWriter& FieldWriter::Text(std::string_view text, int width) {
  pending_ += PadLeft(text, width);
  return *this;
}

FieldWriter& FieldWriter::Char(char c, int width) { return Text(std::string_view(&c, 1), width); }

FieldWriter& FieldWriter::Int(int64_t value, int width) {
  pending_ += FormatInt(value, width);
  return *this;
}

FieldWriter& FieldWriter::Real(Extended value, int width, int decimals) {
  pending_ += FormatReal(value, width, decimals);
  return *this;
}

void FieldWriter::EndLine() {
  pending_ += line_end_;
  std::string line;
  line.swap(pending_);
  EmitLine(line);
}

void FieldWriter::EndLines(int count) {
  for (int i = 0; i < count; ++i) EndLine();
}

}  // namespace gorvan
