#include "driver/command_line/build_info.h"

namespace gorvan {

std::string VersionText() {
  return std::string("gorvan ") + kProgramVersion + " (source revision " + kSourceRevision + ")\n";
}

}  // namespace gorvan
