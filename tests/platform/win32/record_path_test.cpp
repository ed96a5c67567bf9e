#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "records/record_file.h"

namespace sortwell {
namespace {

// On Windows a code names a file in the data directory or none at all: no
// separator, drive, pattern, device name or name Windows would change.
TEST(WindowsRecordPath, UnsafeCodesNameNoFile) {
  EXPECT_EQ(record_path("c:\\sortwell", "4711"), "c:\\sortwell\\4711.cou");
  EXPECT_EQ(record_path("c:\\sortwell", " 77"), "c:\\sortwell\\ 77.cou");
  for (const std::string& code : std::vector<std::string>{"1\\..\\x", "1/x", "1:x", "1*", "1?", "1\"", "1<", "1>", "1|", "CON", "nul", "Com1",
                                 "LPT9.txt", "aux.1", "1.", "1 ", std::string("1\0x", 3), std::string(300, '1')}) {
    EXPECT_EQ(record_path("c:\\sortwell", code), "") << code;
  }
}

}  // namespace
}  // namespace sortwell
