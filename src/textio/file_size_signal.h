// A file-size limit (ulimit -f, RLIMIT_FSIZE) must stop the program with
// error 101 and its message, not kill it silently with SIGXFSZ.
#pragma once

namespace gorvan {

// Ignores SIGXFSZ for the rest of the process: a write beyond the limit then
// fails with EFBIG ("File too large"), which the file module reports as a
// disk write error. Called once, at program start.
void ReportFileSizeLimitAsWriteError();

}  // namespace gorvan
