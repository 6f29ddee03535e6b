// The mode every file of the program is made with.
#pragma once

namespace gorvan {

// Read and write for all, less what the umask takes away (the system
// applies it), as other tools do: under umask 002 a colleague of the group
// can run the job again over the files.
inline constexpr unsigned kNewFileMode = 0666;

}  // namespace gorvan
