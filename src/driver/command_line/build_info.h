// The program's version and the source revision it was built from, written
// at build time (cmake/build_revision.cmake): the commit of the checkout,
// with "-modified" when tracked files differed from it, or "unknown" for a
// build outside git.
#pragma once

#include <string>

namespace gorvan {

extern const char kProgramVersion[];
extern const char kSourceRevision[];

// "gorvan 1.0.0 (source revision 0123456789ab)", with a line end.
std::string VersionText();

}  // namespace gorvan
