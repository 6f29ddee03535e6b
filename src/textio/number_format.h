// The text forms in which numbers are written: right-aligned fields that are
// never cut, reals in fixed notation rounded half up.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/extended.h"

namespace gorvan {

// `text` preceded by blanks up to `width`; a longer text is kept whole.
std::string PadLeft(std::string_view text, int width);

// Decimal digits, a minus sign for a negative value, right-aligned.
std::string FormatInt(int64_t value, int width);

// Fixed notation with `decimals` digits after the point (none and no point
// for 0). The magnitude is rounded half up on the value as held,
// floor(|v| x 10^d + 1/2) in extended precision; the sign comes from the
// value before rounding, so -0.00004 with 4 decimals is "-0.0000".
// Decimals are capped at 17. NaN and infinities are written as "NaN", "Inf"
// and "-Inf" (the program never means to write them).
std::string FormatReal(Extended value, int width, int decimals);

// The shortest text that reads back as the same double, for messages about
// a value as it was read; NaN and infinities as "NaN", "Inf" and "-Inf".
std::string ShortestText(double value);

}  // namespace gorvan
