// The file calls of the program, the one place that knows how the system
// opens, inspects and removes files. Every call returns what the system
// said: a descriptor or -1, true or false, with the reason in errno, so that
// the callers turn failures into the program's own run-time errors.
//
// Every file is opened in binary mode (the program writes its own line
// ends) and is not inherited by other programs.
#pragma once

#include <cstddef>
#include <string>

namespace gorvan {

enum class OpenFor {
  kReading,
  // Made if missing, cut to nothing if present (a link is followed).
  kRewriting,
  // Made anew, never an existing file nor through a link.
  kNewFileOnly,
  // Made if missing, through a link too, never cut.
  kWritingUncut,
  // An existing file or device, never cut, never waiting (a pipe without a
  // reader fails at once) and never becoming the controlling terminal.
  kProbingExisting,
  // The job lock: made if missing, never through a link, read and written.
  kLocking,
  // An existing file, never through a link, read only.
  kInspecting,
};

// A descriptor, or -1 with errno set. Files made are read-write for all,
// less the umask.
int OpenFile(const std::string& name, OpenFor purpose);
// The bytes written (some may be left for another call), or -1.
long WriteSome(int fd, const char* data, size_t size);
// The bytes read (0 at the end), or -1.
long ReadSome(int fd, char* data, size_t size);
bool CloseFile(int fd);

enum class EntryKind { kMissing, kRegularFile, kDirectory, kSymbolicLink, kOther };

// What stands under `name` itself (a link is not followed). kMissing with
// errno ENOENT when nothing does; kMissing with another errno when the
// system cannot tell.
EntryKind LookAt(const std::string& name);
bool IsDirectory(int fd);
// `name` still leads to the file open as `fd` (the same device and node).
bool StillNamed(int fd, const std::string& name);
// Removes the name (not a directory).
bool RemoveName(const std::string& name);
// The name of the file a link leads to, links resolved; "" when it cannot be
// resolved.
std::string ResolvedPath(const std::string& name);
// The working directory lets this process add and remove names.
bool WorkingDirectoryIsWritable();
// Descriptors can still be opened: one is opened on the working directory
// and returned, or -1 with errno (EMFILE when the process has no more).
int OpenSpareDescriptor();

}  // namespace gorvan
