// Finding out, before a job replaces any of its files, whether each of them
// can be written, without changing any of them.
#pragma once

#include <string>

namespace gorvan {

// A file the job will create anew (Rewrite): an existing one must open for
// writing (it is opened without cutting it, and closed); for a missing one
// the directory must take a new file (one is created and removed at once).
// A failure throws the RuntimeError the creation would give: "creating file
// NAME: reason".
void ProbeRewritable(const std::string& name);

// A scratch file made fresh (CreateFreshFile): the directory must let the
// name be removed and created, and the name must not be a directory.
void ProbeReplaceable(const std::string& name);

}  // namespace gorvan
