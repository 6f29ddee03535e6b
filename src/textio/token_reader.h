// Reading numbers and lines from text held in memory: numbers are tokens
// separated by blanks and line ends; CR, LF and CR LF all end a line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/extended.h"

namespace gorvan {

// Why a token was refused; the caller turns it into error 106.
struct TokenError {
  std::string token;
  int line;  // 1-based line of the token
};

class TokenReader {
 public:
  explicit TokenReader(std::string_view text) : text_(text) {}

  // Skips every character at or below the blank (across line ends), then
  // reads one token. At the end of the text the value is 0. A token that is
  // not a whole integer throws TokenError. Integer tokens: an optional sign,
  // then decimal digits (the value must lie in the 32-bit signed range), or
  // "$" / "0x" hexadecimal, "%" binary, "&" octal digits (up to 2^32 - 1,
  // taken as 32-bit two's complement).
  int32_t ReadInt();

  // As ReadInt, for a real token: an optional sign, digits, optionally "."
  // and digits, optionally "E" or "e", an optional sign and digits.
  Extended ReadReal();

  // The characters up to the next CR or LF (or the end), at most `capacity`
  // of them; the rest of the line and its end stay unread.
  std::string ReadLine(size_t capacity);

  // Discards everything up to and including the next line end.
  void SkipLine();

  // What stands between the reading position and the next line end (or the
  // end), not consumed: the rest of the current line.
  std::string_view RestOfLine() const;
  // Everything not yet read.
  std::string_view Unread() const { return text_.substr(pos_); }

  bool AtEnd() const { return pos_ >= text_.size(); }
  // The 1-based line the next character stands on.
  int line() const { return line_; }
  // The 1-based line on which the last token read began (0 before any).
  int last_token_line() const { return last_token_line_; }
  // True when the last ReadInt / ReadReal met the end of the text instead of
  // a token (its value 0 was not written in the text).
  bool last_token_missing() const { return last_token_missing_; }
  // The last token read, as it stands in the text (empty when missing).
  std::string_view last_token_text() const { return last_token_text_; }

 private:
  // Skips separators; returns the next token (empty at the end).
  std::string_view NextToken();
  void Advance();

  std::string_view text_;
  size_t pos_ = 0;
  int line_ = 1;
  int last_token_line_ = 0;
  bool last_token_missing_ = false;
  std::string_view last_token_text_;
};

// The parsers behind ReadInt / ReadReal, for a token already cut out.
bool ParseIntToken(std::string_view token, int32_t* value);

// A decimal integer: an optional sign and at least one digit, nothing else,
// from `least` to `most`; nullopt for any other text. Read here for the
// parameter file's tokens and on the command line alike.
std::optional<int64_t> ParseDecimal(std::string_view text, int64_t least, int64_t most);
bool ParseRealToken(std::string_view token, Extended* value);

}  // namespace gorvan
