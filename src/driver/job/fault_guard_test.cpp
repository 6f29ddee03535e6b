#include "driver/job/fault_guard.h"

#include <sstream>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include "base/internal_check.h"

namespace gorvan {
namespace {

TEST(FaultGuardTest, ANormalEndKeepsItsExitCode) {
  std::ostringstream err;
  EXPECT_EQ(RunGuarded([] { return 3; }, err), 3);
  EXPECT_EQ(err.str(), "");
}

// Every kind of escape ends in exit code 70 and a message naming it.
TEST(FaultGuardTest, WhateverEscapesIsAnInternalErrorWithExitCode70) {
  struct Case {
    std::function<int()> body;
    std::string expected;
  };
  const Case cases[] = {
      {[]() -> int {
         Check(1 + 1 == 3, "arithmetic broke");
         return 0;
       },
       "internal error: arithmetic broke (in fault_guard_test.cpp:"},
      {[]() -> int { throw std::runtime_error("a library failed"); },
       "internal error: a library failed"},
      {[]() -> int { throw 42; }, "internal error: an exception of unknown type"},
  };
  for (const Case& c : cases) {
    std::ostringstream err;
    EXPECT_EQ(RunGuarded(c.body, err), kInternalErrorExitCode);
    EXPECT_NE(err.str().find("gorvan: " + c.expected), std::string::npos) << err.str();
    EXPECT_NE(err.str().find("please report it"), std::string::npos);
  }
}

}  // namespace
}  // namespace gorvan
