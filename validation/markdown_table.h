// Tables printed by the validation tests, in Markdown, so that
// tools/validate-long can collect them for docs/validation.md.
#pragma once

#include <string>
#include <vector>

namespace gorvan::validation {

class MarkdownTable {
 public:
  MarkdownTable(std::string title, std::vector<std::string> columns);
  void AddRow(std::vector<std::string> cells);
  // Writes "### title", a blank line and the table to standard output.
  void Print() const;

 private:
  std::string title_;
  std::vector<std::string> columns_;
  std::vector<std::vector<std::string>> rows_;
};

// `value` with `decimals` decimals.
std::string Fixed(double value, int decimals);
// `value` in scientific notation with `digits` significant digits.
std::string Scientific(double value, int digits);

}  // namespace gorvan::validation
