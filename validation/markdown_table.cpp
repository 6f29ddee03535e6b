#include "markdown_table.h"

#include <cstdio>
#include <iostream>
#include <utility>

namespace gorvan::validation {
namespace {

void PrintRow(const std::vector<std::string>& cells) {
  std::cout << "|";
  for (const std::string& cell : cells) std::cout << " " << cell << " |";
  std::cout << "\n";
}

}  // namespace

MarkdownTable::MarkdownTable(std::string title, std::vector<std::string> columns)
    : title_(std::move(title)), columns_(std::move(columns)) {}

void MarkdownTable::AddRow(std::vector<std::string> cells) { rows_.push_back(std::move(cells)); }

void MarkdownTable::Print() const {
  std::cout << "\n### " << title_ << "\n\n";
  PrintRow(columns_);
  std::cout << "|";
  for (size_t i = 0; i < columns_.size(); ++i) std::cout << "---|";
  std::cout << "\n";
  for (const auto& row : rows_) PrintRow(row);
  std::cout << std::endl;
}

std::string Fixed(double value, int decimals) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

std::string Scientific(double value, int digits) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*e", digits - 1, value);
  return text;
}

}  // namespace gorvan::validation
