#include "platform/processors.h"

#include <algorithm>
#include <windows.h>

namespace gorvan {

int ProcessorsAvailable() {
  // The processors of the process's affinity mask (its group), so that a
  // job limited by the system keeps to its share.
  DWORD_PTR process = 0, system = 0;
  if (::GetProcessAffinityMask(::GetCurrentProcess(), &process, &system) && process != 0) {
    int count = 0;
    for (; process != 0; process &= process - 1) ++count;
    return count;
  }
  return std::max(1, static_cast<int>(::GetActiveProcessorCount(ALL_PROCESSOR_GROUPS)));
}

}  // namespace gorvan
