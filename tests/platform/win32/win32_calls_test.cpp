// Win32 calls that fail or are slow, under wine. A stand-in takes a call's
// place in this program's import table (writable data, as mingw links it).
#include <gtest/gtest.h>
#include <windows.h>

#include <utility>

#include "platform/record_files.h"
#include "platform/win32/session_end.h"
#include "platform/win32/win32_text.h"
#include "support/temp_dir.h"

extern "C" void* __imp_GetFinalPathNameByHandleW;
extern "C" void* __imp_RegisterClassW;

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

// Where the system cannot tell a handle's path, the folder's listing tells the
// real name, and an 8.3 alias still reaches no record.
TEST(WindowsRecordFiles, WithoutTheFinalPathTheListingTellsTheName) {
  TempDir folder;
  write_file(folder.file("0123456789012.cou"), "record");
  wchar_t alias[MAX_PATH];
  ASSERT_NE(GetShortPathNameW(wide_from_utf8(folder.file("0123456789012.cou")).c_str(), alias, MAX_PATH), 0u);
  const auto unknown = [](HANDLE, LPWSTR, DWORD, DWORD) { SetLastError(ERROR_NOT_SUPPORTED); return DWORD{0}; };
  void* const real = std::exchange(__imp_GetFinalPathNameByHandleW, reinterpret_cast<void*>(+unknown));
  OpenFile file;
  EXPECT_EQ(open_file(folder.file("0123456789012.COU"), OpenMode::existing, file).status, FileStatus::ok);
  close_file(file);
  EXPECT_EQ(open_file(utf8_from_wide(alias), OpenMode::existing, file).status, FileStatus::not_a_record);
  __imp_GetFinalPathNameByHandleW = real;
}

// A window thread slower than the wait for it sets no event made later with
// the number of a handle closed meanwhile (the ending event, say).
TEST(WindowsSessionEnd, ASlowWindowThreadSetsNoOtherEvent) {
  const auto slow = [](const WNDCLASSW*) { Sleep(2500); return ATOM{0}; };
  void* const real = std::exchange(__imp_RegisterClassW, reinterpret_cast<void*>(+slow));
  watch_for_the_end();
  const HANDLE later = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  Sleep(1000);
  EXPECT_EQ(WaitForSingleObject(later, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  CloseHandle(later);
  __imp_RegisterClassW = real;
}

}  // namespace
}  // namespace sortwell::testing
