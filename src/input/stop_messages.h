// The console messages with which the parameter reader stops the program,
// and the banner it shows when the file is good.
#pragma once

#include <string_view>

#include "textio/console.h"

namespace gorvan {

inline constexpr std::string_view kTooManyLoci = "  TOO MANY LOCI!";
inline constexpr std::string_view kTooManyPopulations = "  TOO MANY POPULATIONS!";
inline constexpr std::string_view kTooManyAlleles = "  TOO MANY ALLELES/LOCUS!";

// A capacity of the data model is exceeded: `title` and the limit.
void WriteCapacityMessage(Console& console, std::string_view title, int limit);

// The frequencies of `locus` do not sum to 1: an alert, then the message.
void WriteFrequencySumMessage(Console& console, int locus);

// A parameter under which the simulation cannot run: laid out like the
// frequency message, with `reason` as its last line.
void WriteUnsoundParameterMessage(Console& console, std::string_view reason);

// The screen is cleared and the program's name and version shown.
void WriteBanner(Console& console);

}  // namespace gorvan
