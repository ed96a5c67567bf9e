#include <gtest/gtest.h>

#include "e2e/pty_process.h"
#include "support/temp_dir.h"

namespace sortwell::testing {
namespace {

// The README's first command, in the tree the tests were built in: with
// nothing to install or rebuild, the prompt is the first thing on the screen.
TEST(RunPath, MakeRunReachesThePromptAtOnceAndQuitsCleanly) {
  TempDir home;
  const std::string command = "cd '" SORTWELL_SOURCE_DIR "' && exec make run BUILD='" SORTWELL_BUILD_DIR "'";
  PtyProcess make("/bin/sh", sortwell_environment(home.path()), 80, {"-c", command});
  ASSERT_TRUE(make.wait_for("Sortwell: ", std::chrono::seconds(60))) << make.output();
  EXPECT_EQ(make.output(), "Sortwell: ");
  make.type("\r");
  EXPECT_EQ(make.wait_exit(std::chrono::seconds(20)), 0);
  EXPECT_NE(make.output().find("Done.\r\n"), std::string::npos) << make.output();
}

}  // namespace
}  // namespace sortwell::testing
