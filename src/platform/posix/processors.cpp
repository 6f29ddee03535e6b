#include "platform/processors.h"

#include <algorithm>
#include <cerrno>
#ifdef __linux__
#include <sched.h>
#endif
#include <thread>

namespace gorvan {

int ProcessorsAvailable() {
#ifdef __linux__
  // The mask is asked for with room for ever more processors until it fits.
  for (size_t room = 1024; room <= (size_t{1} << 20); room *= 2) {
    cpu_set_t* mask = CPU_ALLOC(room);
    if (mask == nullptr) break;
    const size_t size = CPU_ALLOC_SIZE(room);
    const int got = sched_getaffinity(0, size, mask);
    const int error = errno;
    const int count = got == 0 ? CPU_COUNT_S(size, mask) : 0;
    CPU_FREE(mask);
    if (got == 0) return std::max(1, count);
    if (error != EINVAL) break;
  }
#endif
  return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

}  // namespace gorvan
