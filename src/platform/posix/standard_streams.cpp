#include "platform/standard_streams.h"

#include <unistd.h>

namespace gorvan {

void MakeStandardStreamsBinary() {}  // POSIX streams have no text mode

bool StandardOutputIsTerminal() { return ::isatty(STDOUT_FILENO) == 1; }

}  // namespace gorvan
