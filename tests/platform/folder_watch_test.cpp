// The task that calls the folder, as the program's end and a crash see it.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <functional>

#include "platform/folder_task.h"
#include "platform/folder_watch.h"
#include "records/record_file.h"
#include "support/fakes.h"
#include "support/temp_dir.h"

// A record's locks, counted where they are taken: in a folder task, or not.
namespace {
int locks_in_a_task = 0;
int locks_elsewhere = 0;
}  // namespace
extern "C" int flock(int fd, int operation) {
  static const auto real = reinterpret_cast<int (*)(int, int)>(dlsym(RTLD_NEXT, "flock"));
  ++(sortwell::in_folder_task() ? locks_in_a_task : locks_elsewhere);
  return real(fd, operation);
}

namespace sortwell {
namespace {

using namespace std::chrono_literals;

// A job that crashes, or that a sanitizer's report ends, ends the program as
// a crash in any of its threads would: never a wait for ever on a job that
// can no longer return.
TEST(FolderTaskDeathTest, AJobThatCrashesEndsTheProgram) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const struct {
    void (*job)(void*);
    std::function<bool(int)> ended;
  } cases[] = {
      {[](void*) { std::abort(); }, ::testing::KilledBySignal(SIGABRT)},
      // How a sanitizer ends a process: exit_group, which here ends the task alone.
      {[](void*) { syscall(SYS_exit_group, 7); }, ::testing::ExitedWithCode(7)},
  };
  for (const auto& c : cases) {
    EXPECT_EXIT(
        {
          FolderTask task;
          if (!task.begin(c.job, nullptr)) c.job(nullptr);
          for (int i = 0; i < 30 && task.wait(100ms, false) != FolderTask::Waited::done; ++i) {
          }
          std::_Exit(3);
        },
        c.ended, "");
  }
}

// Every call to a record is asked through the watch, the lock taken again
// after a failed write too: on a link that dropped it would otherwise hold
// the program, silent and deaf to SIGTERM.
TEST(FolderWatch, AsksForEveryLock) {
  testing::TempDir dir;
  testing::FakeClock clock;
  FolderWatch watch(clock, {});
  RecordFile file(&watch);
  locks_in_a_task = locks_elsewhere = 0;
  ASSERT_TRUE(file.create(dir.file("4711.cou"), "4711"));
  ASSERT_TRUE(file.publish());
  EXPECT_TRUE(file.relock());
  EXPECT_GE(locks_in_a_task, 2);
  EXPECT_EQ(locks_elsewhere, 0);
}

// Where no thread can be had (a limit on processes, which root alone
// escapes), nothing is started and the caller runs the job in place.
TEST(FolderTaskDeathTest, WithoutThreadsStartsNothing) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        const rlimit none{};
        if (geteuid() == 0 && (setresgid(65534, 65534, 65534) != 0 || setresuid(65534, 65534, 65534) != 0)) std::_Exit(3);
        if (setrlimit(RLIMIT_NPROC, &none) != 0) std::_Exit(3);
        FolderTask task;
        std::_Exit(task.begin([](void*) {}, nullptr) ? 1 : 0);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace sortwell
