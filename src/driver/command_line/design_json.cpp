#include "driver/command_line/design_json.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string_view>

#include "report/final_results.h"
#include "textio/number_format.h"

namespace gorvan {
namespace {

constexpr const char* kSchema = "gorvan-check-1";

// The length of the well-formed UTF-8 sequence (no overlong form, no
// surrogate, nothing above U+10FFFF) that starts at `text[at]`, or 0 when
// no such sequence starts there.
size_t Utf8Length(std::string_view text, size_t at) {
  const auto lead = static_cast<unsigned char>(text[at]);
  size_t more = 0;
  uint32_t code = 0, lowest = 0;
  if (lead < 0x80) {
    return 1;
  } else if (lead >= 0xc2 && lead <= 0xdf) {
    more = 1, code = lead & 0x1fu, lowest = 0x80;
  } else if (lead >= 0xe0 && lead <= 0xef) {
    more = 2, code = lead & 0x0fu, lowest = 0x800;
  } else if (lead >= 0xf0 && lead <= 0xf4) {
    more = 3, code = lead & 0x07u, lowest = 0x10000;
  } else {
    return 0;
  }
  if (text.size() - at <= more) return 0;
  for (size_t k = 1; k <= more; ++k) {
    const auto next = static_cast<unsigned char>(text[at + k]);
    if ((next & 0xc0u) != 0x80u) return 0;
    code = (code << 6) | (next & 0x3fu);
  }
  if (code < lowest || code > 0x10ffff || (code >= 0xd800 && code <= 0xdfff)) return 0;
  return 1 + more;
}

std::string Escaped(unsigned code) {
  char escaped[8];
  std::snprintf(escaped, sizeof escaped, "\\u%04x", code);
  return escaped;
}

// Comments are free text in any code page, and the first line's is cut at
// 80 bytes, perhaps inside a character. Well-formed UTF-8 is written as it
// is; every other byte (0x80 to 0xff) is written as the lone surrogate
// U+DC80 to U+DCFF, the byte plus 0xdc00, which no well-formed text holds.
// A reader maps those back to the bytes (Python: the "surrogateescape"
// error handler), so the text comes back byte for byte.
std::string Quoted(std::string_view text) {
  std::string out = "\"";
  size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    const auto byte = static_cast<unsigned char>(c);
    const size_t length = Utf8Length(text, i);
    if (length == 0) {
      out += Escaped(0xdc00u + byte);
      ++i;
      continue;
    }
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (byte < 0x20 || byte == 0x7f) {
      out += Escaped(byte);
    } else {
      out.append(text, i, length);
    }
    i += length;
  }
  return out + "\"";
}

// The shortest text that reads back as the same double; JSON has no words
// for values that are not finite, so those are null.
std::string Number(double value) {
  if (!std::isfinite(value)) return "null";
  return ShortestText(value);
}

std::string Line(const SourcePlace& place) {
  return std::to_string(place.missing ? 0 : place.line);
}

std::string Entry(std::string_view name, const std::string& line, const std::string& value) {
  return "  \"" + std::string(name) + "\": {\"line\": " + line + ", \"value\": " + value + "},\n";
}

std::string IntEntry(std::string_view name, const SourceInt& noted, int64_t value) {
  return Entry(name, Line(noted.place), std::to_string(value));
}

std::string SampleSizes(const State& s, const ParameterSource& noted) {
  std::string list = "[";
  for (int pop = 1; pop <= s.NUMBPOPS; ++pop) {
    if (pop > 1) list += ", ";
    list += std::to_string(s.SAMPLESIZE[pop]);
  }
  const std::string line = s.NUMBPOPS >= 1 ? Line(noted.SAMPLESIZE[1].place) : "0";
  return Entry("samples", line, list + "]");
}

std::string Locus(const State& s, const ParameterSource& noted, int locus) {
  std::string frequencies = "[", texts = "[";
  for (int allele = 1; allele <= s.ALLELES_PER_LOCUS[locus]; ++allele) {
    if (allele > 1) {
      frequencies += ", ";
      texts += ", ";
    }
    frequencies += Number(s.BASEPOP[locus][allele]);
    texts += Quoted(noted.BASEPOP_TEXT[locus][allele]);
  }
  return "{\"line\": " + Line(noted.ALLELES_PER_LOCUS[locus].place) +
         ", \"alleles\": " + std::to_string(s.ALLELES_PER_LOCUS[locus]) +
         ", \"frequencies\": " + frequencies + "], \"texts\": " + texts + "]}";
}

std::string BasePopulation(const State& s, const ParameterSource& noted) {
  std::string list = "[";
  for (int locus = 1; locus <= s.NUMBLOCI; ++locus) {
    list += locus > 1 ? ",\n    " : "\n    ";
    list += Locus(s, noted, locus);
  }
  list += s.NUMBLOCI >= 1 ? "\n  ]" : "]";
  const std::string line = s.NUMBLOCI >= 1 ? Line(noted.ALLELES_PER_LOCUS[1].place) : "0";
  return Entry("base", line, list);
}

}  // namespace

std::string DesignJson(const State& s, const ParameterSource& noted) {
  std::string json = "{\n  \"schema\": \"" + std::string(kSchema) + "\",\n";
  json += Entry("comment1", "1", Quoted(s.COMMENT1));
  json += Entry("comment2", "2", Quoted(s.COMMENT2));
  json += IntEntry("dememorisation_steps", noted.ITER1, s.ITER1);
  json += IntEntry("batches", noted.ITER2, s.ITER2);
  json += IntEntry("steps_per_batch", noted.ITER3, s.ITER3);
  json += IntEntry("chi2_test", noted.RUN_CHI2, s.RUN_CHI2);
  json += IntEntry("fisher_test", noted.RUN_FISHER, s.RUN_FISHER);
  json += IntEntry("erase_detail_files", noted.ERASE_DETAILED_OUTPUT, s.ERASE_DETAILED_OUTPUT);
  json += IntEntry("loci", noted.NUMBLOCI, s.NUMBLOCI);
  json += IntEntry("pops", noted.NUMBPOPS, s.NUMBPOPS);
  json += IntEntry("ne", noted.DRIFT_SIZE, s.DRIFT_SIZE);
  json += IntEntry("generations", noted.STOP_T, s.STOP_T);
  json += SampleSizes(s, noted);
  json += IntEntry("runs", noted.STOP_RUNS, s.STOP_RUNS);
  json += BasePopulation(s, noted);
  json += "  \"total_alleles\": " + std::to_string(s.STARTNUMBALLELES) + ",\n";
  json += "  \"expected_fst\": " + Number(static_cast<double>(ExpectedFst(s))) + "\n}\n";
  return json;
}

}  // namespace gorvan
