#include "textio/file_size_signal.h"

#include <csignal>

namespace gorvan {

void ReportFileSizeLimitAsWriteError() { std::signal(SIGXFSZ, SIG_IGN); }

}  // namespace gorvan
