// A scratch file that is always the job's own: whatever stands under its
// name (a plain file, a symbolic or hard link, a device, a pipe) is removed
// and a new regular file is made. Nothing is ever written through a link.
#pragma once

#include <string>

namespace gorvan {

// Removes the entry `name` unless it is a directory, then creates a new
// empty regular file there, open for writing; returns its descriptor. A
// failure throws RuntimeError as the creation of a file does: "creating
// file NAME: reason" with the error number of a failed create.
int CreateFreshFile(const std::string& name);

}  // namespace gorvan
