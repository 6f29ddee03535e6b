#include "textio/number_format.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace gorvan {
namespace {

constexpr int kMaxDecimals = 17;

Extended PowerOfTen(int exponent) {
  Extended result = 1;
  for (int i = 0; i < exponent; ++i) result *= 10;
  return result;
}

// The digits of a whole number held in extended precision (exact: every
// integer of this format prints exactly in %.0Lf).
std::string WholeDigits(Extended whole) {
  char buffer[5000];
  std::snprintf(buffer, sizeof buffer, "%.0Lf", whole);
  return buffer;
}

}  // namespace

std::string PadLeft(std::string_view text, int width) {
  std::string out;
  if (width > 0 && static_cast<int>(text.size()) < width) {
    out.assign(static_cast<size_t>(width) - text.size(), ' ');
  }
  out.append(text);
  return out;
}

std::string FormatInt(int64_t value, int width) { return PadLeft(std::to_string(value), width); }

std::string FormatReal(Extended value, int width, int decimals) {
  if (std::isnan(value)) return PadLeft("NaN", width);
  if (std::isinf(value)) return PadLeft(value < 0 ? "-Inf" : "Inf", width);
  if (decimals < 0) decimals = 0;
  if (decimals > kMaxDecimals) decimals = kMaxDecimals;

  const bool negative = std::signbit(value) && value != 0;
  const Extended scaled = std::floor(std::fabs(value) * PowerOfTen(decimals) + 0.5L);
  std::string digits = WholeDigits(scaled);
  if (static_cast<int>(digits.size()) <= decimals) {
    digits.insert(0, static_cast<size_t>(decimals) + 1 - digits.size(), '0');
  }
  std::string text = negative ? "-" : "";
  text.append(digits, 0, digits.size() - static_cast<size_t>(decimals));
  if (decimals > 0) {
    text.push_back('.');
    text.append(digits, digits.size() - static_cast<size_t>(decimals), std::string::npos);
  }
  return PadLeft(text, width);
}

std::string ShortestText(double value) {
  if (std::isnan(value)) return "NaN";
  if (std::isinf(value)) return value < 0 ? "-Inf" : "Inf";
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

}  // namespace gorvan
