// Finding out, before a job replaces any of its files, whether each of them
// can be written, without changing any of them.
#pragma once

#include <string>
#include <vector>

namespace gorvan {

// A file the job will create anew (Rewrite): an existing one must open for
// writing (it is opened without cutting it, and closed); for a missing one
// the directory must take a new file (one is created and removed at once);
// for a symbolic link to a missing file, the target must be creatable where
// the link leads (it is created and removed).
// A failure throws the RuntimeError the creation would give: "creating file
// NAME: reason".
void ProbeRewritable(const std::string& name);

// The job holds the files `names` open at once: that many descriptors must
// be left. A failure throws the RuntimeError the creation of the first file
// beyond the limit would give.
void ProbeDescriptors(const std::vector<std::string>& names);

// A scratch file made fresh (CreateFreshFile): the directory must let the
// name be removed and created, and the name must not be a directory.
void ProbeReplaceable(const std::string& name);

}  // namespace gorvan
