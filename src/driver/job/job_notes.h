// What a job tells people besides its console lines: the seed, warnings,
// the reasons of stops. All of it goes to standard error, one line each,
// beginning with "gorvan: ", so that standard output and every file hold
// the job's own lines only, byte for byte.
#pragma once

#include <ostream>
#include <string_view>

namespace gorvan {

void WriteNote(std::ostream& out, std::string_view text);

}  // namespace gorvan
