#include "textio/token_reader.h"

#include <cmath>
#include <cstdlib>

namespace gorvan {
namespace {

bool IsSeparator(char c) { return static_cast<unsigned char>(c) <= ' '; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int DigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 99;
}

// Accumulates digits of `base`; fails on a foreign digit, no digit at all,
// or a value above `limit`.
bool ParseDigits(std::string_view digits, int base, uint64_t limit, uint64_t* value) {
  if (digits.empty()) return false;
  uint64_t v = 0;
  for (char c : digits) {
    const int d = DigitValue(c);
    if (d >= base) return false;
    v = v * static_cast<uint64_t>(base) + static_cast<uint64_t>(d);
    if (v > limit) return false;
  }
  *value = v;
  return true;
}

// A token as quoted in a message: long tokens are shortened.
std::string Quoted(std::string_view token) {
  constexpr size_t kShown = 40;
  if (token.size() <= kShown) return std::string(token);
  return std::string(token.substr(0, kShown)) + "...";
}

size_t SkipDigits(std::string_view s, size_t i) {
  while (i < s.size() && IsDigit(s[i])) ++i;
  return i;
}

}  // namespace

std::optional<int64_t> ParseDecimal(std::string_view text, int64_t least, int64_t most) {
  const bool negative = !text.empty() && text[0] == '-';
  if (!text.empty() && (text[0] == '+' || text[0] == '-')) text.remove_prefix(1);
  // The largest magnitude the sign allows, so that the digits never overflow.
  const uint64_t limit = negative ? (least < 0 ? uint64_t{0} - static_cast<uint64_t>(least) : 0)
                                  : (most > 0 ? static_cast<uint64_t>(most) : 0);
  uint64_t magnitude = 0;
  if (!ParseDigits(text, 10, limit, &magnitude)) return std::nullopt;
  const int64_t value =
      negative ? static_cast<int64_t>(uint64_t{0} - magnitude) : static_cast<int64_t>(magnitude);
  if (value < least || value > most) return std::nullopt;
  return value;
}

bool ParseIntToken(std::string_view token, int32_t* value) {
  const std::string_view whole = token;
  bool negative = false;
  if (!token.empty() && (token[0] == '+' || token[0] == '-')) {
    negative = token[0] == '-';
    token.remove_prefix(1);
  }
  int base = 10;
  if (!token.empty() && token[0] == '$') {
    base = 16;
    token.remove_prefix(1);
  } else if (!token.empty() && token[0] == '%') {
    base = 2;
    token.remove_prefix(1);
  } else if (!token.empty() && token[0] == '&') {
    base = 8;
    token.remove_prefix(1);
  } else if (token.size() > 2 && token[0] == '0' && (token[1] == 'x' || token[1] == 'X')) {
    base = 16;
    token.remove_prefix(2);
  }
  uint64_t magnitude = 0;
  if (base == 10) {
    const std::optional<int64_t> decimal = ParseDecimal(whole, INT32_MIN, INT32_MAX);
    if (!decimal) return false;
    *value = static_cast<int32_t>(*decimal);
    return true;
  }
  if (!ParseDigits(token, base, 0xFFFFFFFFull, &magnitude)) return false;
  uint32_t bits = static_cast<uint32_t>(magnitude);
  if (negative) bits = 0u - bits;
  *value = static_cast<int32_t>(bits);
  return true;
}

bool ParseRealToken(std::string_view token, Extended* value) {
  size_t i = 0;
  if (i < token.size() && (token[i] == '+' || token[i] == '-')) ++i;
  size_t end = SkipDigits(token, i);
  if (end == i) return false;
  i = end;
  if (i < token.size() && token[i] == '.') {
    end = SkipDigits(token, i + 1);
    if (end == i + 1) return false;
    i = end;
  }
  if (i < token.size() && (token[i] == 'e' || token[i] == 'E')) {
    size_t j = i + 1;
    if (j < token.size() && (token[j] == '+' || token[j] == '-')) ++j;
    end = SkipDigits(token, j);
    if (end == j) return false;
    i = end;
  }
  if (i != token.size()) return false;
  const std::string copy(token);
  const Extended v = std::strtold(copy.c_str(), nullptr);
  if (std::isinf(v)) return false;  // beyond the extended range: no value
  *value = v;
  return true;
}

void TokenReader::Advance() {
  const char c = text_[pos_++];
  if (c == '\n' || (c == '\r' && (pos_ >= text_.size() || text_[pos_] != '\n'))) ++line_;
}

std::string_view TokenReader::NextToken() {
  while (pos_ < text_.size() && IsSeparator(text_[pos_])) Advance();
  const size_t start = pos_;
  last_token_line_ = line_;
  while (pos_ < text_.size() && !IsSeparator(text_[pos_])) ++pos_;
  last_token_missing_ = pos_ == start;
  last_token_text_ = text_.substr(start, pos_ - start);
  return last_token_text_;
}

int32_t TokenReader::ReadInt() {
  const std::string_view token = NextToken();
  if (token.empty()) return 0;
  int32_t value = 0;
  if (!ParseIntToken(token, &value)) throw TokenError{Quoted(token), last_token_line_};
  return value;
}

Extended TokenReader::ReadReal() {
  const std::string_view token = NextToken();
  if (token.empty()) return 0;
  Extended value = 0;
  if (!ParseRealToken(token, &value)) throw TokenError{Quoted(token), last_token_line_};
  return value;
}

std::string TokenReader::ReadLine(size_t capacity) {
  const size_t start = pos_;
  while (pos_ < text_.size() && pos_ - start < capacity && text_[pos_] != '\r' &&
         text_[pos_] != '\n') {
    ++pos_;
  }
  return std::string(text_.substr(start, pos_ - start));
}

std::string_view TokenReader::RestOfLine() const {
  size_t end = pos_;
  while (end < text_.size() && text_[end] != '\r' && text_[end] != '\n') ++end;
  return text_.substr(pos_, end - pos_);
}

void TokenReader::SkipLine() {
  while (pos_ < text_.size()) {
    const char c = text_[pos_];
    Advance();
    if (c == '\n') return;
    if (c == '\r') {
      if (pos_ < text_.size() && text_[pos_] == '\n') Advance();
      return;
    }
  }
}

}  // namespace gorvan
