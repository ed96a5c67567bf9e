// Win32 calls that fail, under wine.
#include <gtest/gtest.h>
#include <windows.h>

#include <utility>

#include "platform/record_files.h"

namespace sortwell::testing {
namespace {

// Z:\ is the root under wine, and sysfs refuses every new file, to root too
// (wine keeps a folder's ACL but does not enforce it).
TEST(WindowsRecordFiles, ARefusedCreationKeepsItsReason) {
  if (GetFileAttributesW(L"Z:\\sys\\kernel") == INVALID_FILE_ATTRIBUTES) GTEST_SKIP() << "not under wine";
  OpenFile file;
  const FileResult created = open_file("Z:\\sys\\4711.cou", OpenMode::create, file);
  EXPECT_EQ(std::pair(created.status, created.cause), std::pair(FileStatus::failed, FileCause::not_allowed));
}

}  // namespace
}  // namespace sortwell::testing
