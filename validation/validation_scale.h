// How large the validation runs are: small in the test suite,
// at full size when GORVAN_VALIDATION_LONG=1 is set (tools/validate-long),
// whose printed tables are the ones in docs/validation.md. Under the
// sanitizers every program run is a few times slower, so the runs shrink
// further there; the checks widen with them, since every interval is worked
// out from the number of runs actually made.
#pragma once

#include <cstdlib>
#include <string>

namespace gorvan::validation {

#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool kSanitized = true;
#else
inline constexpr bool kSanitized = false;
#endif
#else
inline constexpr bool kSanitized = false;
#endif

inline bool LongValidation() {
  const char* value = std::getenv("GORVAN_VALIDATION_LONG");
  return value != nullptr && std::string(value) == "1";
}

// One size per mode: the test suite's, the sanitizer build's, the long run's.
struct Sizes {
  int suite, sanitized, long_run;
};

inline int Pick(const Sizes& sizes) {
  if (LongValidation()) return sizes.long_run;
  return kSanitized ? sizes.sanitized : sizes.suite;
}

}  // namespace gorvan::validation
