// What the reader lets pass but a person probably did not mean, and the
// details of a frequency-sum stop, each as one line naming the line of
// GORVAN.IN. The job reads the file exactly as before; these lines are for
// standard error only.
#pragma once

#include <string_view>

#include "input/parameter_source.h"
#include "state/state.h"
#include "textio/text_file.h"

namespace gorvan {

// A test switch other than 0 and 1 silently turns the test off.
void NoteOddSwitch(ParameterSource& src, std::string_view test, const SourceInt& number);

// A number left on the line after a list of `count` values that the line's
// first value or an earlier line fixed (the sample sizes, a locus line); a
// label there is fine. Reads nothing: call before the rest of the line is
// skipped.
void NoteNumberAfterList(ParameterSource& src, const TextFile& file, std::string_view list);

// Lines with text on them after the last locus line are never read. Call
// when the reading position stands after the last locus line.
void NoteUnreadLines(ParameterSource& src, const TextFile& file, int loci);

// Why the frequencies of `locus` fail: their sum, the tolerance, the line.
void NoteFrequencySum(ParameterSource& src, int locus, double sum, std::string_view tolerance);

}  // namespace gorvan
