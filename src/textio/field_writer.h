// Writing lines of fields: text, character, integer and real fields are
// appended to the current line; the line end completes it and hands it on.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/extended.h"

namespace gorvan {

class FieldWriter {
 public:
  virtual ~FieldWriter() = default;

  FieldWriter& Text(std::string_view text, int width = 0);
  // Width w gives w - 1 blanks and then the character.
  FieldWriter& Char(char c, int width = 0);
  FieldWriter& Int(int64_t value, int width = 0);
  FieldWriter& Real(Extended value, int width, int decimals);
  // Completes the current line (possibly empty) with the line end.
  void EndLine();
  // `count` line ends in a row.
  void EndLines(int count);

  // The text written since the last line end.
  const std::string& pending() const { return pending_; }

 protected:
  explicit FieldWriter(std::string_view line_end) : line_end_(line_end) {}
  // Receives every completed line, line end included.
  virtual void EmitLine(std::string_view line) = 0;
  std::string pending_;

 private:
  std::string line_end_;
};

}  // namespace gorvan
