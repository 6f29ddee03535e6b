#include "platform/standard_streams.h"

#include <cstdio>
#include <fcntl.h>
#include <initializer_list>
#include <io.h>

namespace gorvan {

void MakeStandardStreamsBinary() {
  for (std::FILE* stream : {stdin, stdout, stderr}) ::_setmode(::_fileno(stream), _O_BINARY);
}

bool StandardOutputIsTerminal() { return ::_isatty(1) != 0; }

}  // namespace gorvan
