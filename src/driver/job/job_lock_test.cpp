#include "driver/job/job_lock.h"

#include <csignal>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sys/stat.h>
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

// A user removed the lock file by hand while job A ran, and job B made a
// new one: A's end must not remove B's, or a third job would run beside B.
TEST(JobLockTest, AJobRemovesOnlyTheLockFileItHolds) {
  ScopedWorkDir dir;
  auto first = std::make_unique<JobLock>();
  ASSERT_EQ(first->outcome(), JobLock::Outcome::kHeld);
  std::filesystem::remove(kJobLockFileName);
  JobLock second;
  ASSERT_EQ(second.outcome(), JobLock::Outcome::kHeld);
  first.reset();
  EXPECT_TRUE(std::filesystem::exists(kJobLockFileName));
}

// A lock file left by another user's job, which no job holds and this user
// may not open for writing, is replaced when the directory allows it.
TEST(JobLockTest, ALeftoverLockOfAnotherUserIsReplaced) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to act as two users";
  ScopedWorkDir dir;
  std::filesystem::permissions(".", std::filesystem::perms::all);
  { std::ofstream leftover(kJobLockFileName); }  // root's, mode 0644, unlocked
  const pid_t other = ::fork();
  ASSERT_GE(other, 0);
  if (other == 0) {
    if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(2);
    JobLock lock;
    struct stat info {};
    const bool replaced = lock.outcome() == JobLock::Outcome::kHeld &&
                          ::stat(kJobLockFileName, &info) == 0 && info.st_uid == 65534;
    ::_exit(replaced ? 0 : 1);
  }
  int status = 0;
  ::waitpid(other, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

}  // namespace
}  // namespace gorvan
