#include "driver/job/job_lock.h"

#include <csignal>
#include <filesystem>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "testing/scoped_work_dir.h"

namespace gorvan {
namespace {

// A job in another process holds the lock; when it is killed outright
// (SIGKILL: no chance to clean up) the lock goes with it, and the next job
// takes it although the lock file is still there.
TEST(JobLockTest, AHeldLockKeepsOthersOutAndDiesWithItsProcess) {
  ScopedWorkDir dir;
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t holder = ::fork();
  ASSERT_GE(holder, 0);
  if (holder == 0) {
    JobLock lock;
    const char held = lock.outcome() == JobLock::Outcome::kHeld ? 'y' : 'n';
    if (::write(ready[1], &held, 1) != 1) ::_exit(1);
    for (;;) ::pause();
  }
  char held = 0;
  ASSERT_EQ(::read(ready[0], &held, 1), 1);
  ASSERT_EQ(held, 'y');
  {
    JobLock second;
    EXPECT_EQ(second.outcome(), JobLock::Outcome::kBusy);
  }
  EXPECT_TRUE(std::filesystem::exists(kJobLockFileName));  // the busy job removes nothing

  ::kill(holder, SIGKILL);
  int status = 0;
  ::waitpid(holder, &status, 0);
  ::close(ready[0]);
  ::close(ready[1]);
  ASSERT_TRUE(std::filesystem::exists(kJobLockFileName));
  {
    JobLock after_kill;
    EXPECT_EQ(after_kill.outcome(), JobLock::Outcome::kHeld);
  }
  // A job that ends removes its lock file.
  EXPECT_FALSE(std::filesystem::exists(kJobLockFileName));
}

}  // namespace
}  // namespace gorvan
