#include "input/read_warnings.h"

#include <cmath>
#include <string>

#include "input/read_infile.h"
#include "textio/number_format.h"
#include "textio/token_reader.h"

namespace gorvan {
namespace {

bool IsSeparator(char c) { return static_cast<unsigned char>(c) <= ' '; }

std::string LineOf(int line) {
  return "line " + std::to_string(line) + " of " + kParameterFileName;
}

// The first token of `text`, or "".
std::string_view FirstToken(std::string_view text) {
  size_t start = 0;
  while (start < text.size() && IsSeparator(text[start])) ++start;
  size_t end = start;
  while (end < text.size() && !IsSeparator(text[end])) ++end;
  return text.substr(start, end - start);
}

bool IsNumber(std::string_view token) {
  int32_t whole = 0;
  Extended real = 0;
  return ParseIntToken(token, &whole) || ParseRealToken(token, &real);
}

// The number of line ends in `text` (CR LF, a lone CR and a lone LF count
// one each).
int LineEndsIn(std::string_view text) {
  int ends = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n') ++ends;
    if (text[i] == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n')) ++ends;
  }
  return ends;
}

}  // namespace

void NoteOddSwitch(ParameterSource& src, std::string_view test, const SourceInt& number) {
  if (number.as_read == 0 || number.as_read == 1) return;
  src.notes.push_back("warning: " + LineOf(number.place.line) + ": the " + std::string(test) +
                      " switch is " + std::to_string(number.as_read) +
                      "; only 1 turns the test on, so the " + std::string(test) + " is off.");
}

void NoteNumberAfterList(ParameterSource& src, const TextFile& file, std::string_view list) {
  const std::string rest = file.RestOfLine();
  const std::string_view token = FirstToken(rest);
  if (token.empty() || !IsNumber(token)) return;
  src.notes.push_back("warning: " + LineOf(file.CurrentLine()) + ": \"" + std::string(token) +
                      "\" after " + std::string(list) + " is not read.");
}

void NoteUnreadLines(ParameterSource& src, const TextFile& file, int loci) {
  const std::string unread = file.Unread();
  size_t first = 0;
  while (first < unread.size() && IsSeparator(unread[first])) ++first;
  if (first == unread.size()) return;
  size_t last = unread.size() - 1;
  while (IsSeparator(unread[last])) --last;
  const std::string_view text = unread;
  const int first_line = file.CurrentLine() + LineEndsIn(text.substr(0, first));
  const int last_line = file.CurrentLine() + LineEndsIn(text.substr(0, last));
  const std::string lines = first_line == last_line ? LineOf(first_line) + " is"
                                                    : "lines " + std::to_string(first_line) +
                                                          " to " + std::to_string(last_line) +
                                                          " of " + kParameterFileName + " are";
  src.notes.push_back("warning: " + lines + " not read: the file describes " +
                      std::to_string(loci) + (loci == 1 ? " locus" : " loci") +
                      ", whose lines end before.");
}

void NoteFrequencySum(ParameterSource& src, int locus, double sum, std::string_view tolerance) {
  const SourcePlace& place = src.ALLELES_PER_LOCUS[locus].place;
  const std::string where = place.missing
                                ? std::string("(") + kParameterFileName + " ends before its line)"
                                : "on " + LineOf(place.line);
  src.notes.push_back("the allele frequencies of Locus " + std::to_string(locus) + " " + where +
                      " sum to " + ShortestText(sum) + "; they must sum to 1 within " +
                      std::string(tolerance) + ".");
}

}  // namespace gorvan
