#include "platform/record_directory.h"

#include <gtest/gtest.h>

#include <vector>

namespace sortwell {
namespace {

// A file is read until two reads in a row agree: a read that met a write
// half done is never taken, and a file that never holds still is named.
TEST(ReadUntilSettled, TakesOnlyWhatTwoReadsInARowAgreeOn) {
  const struct {
    std::vector<std::string> reads;  // "!" fails
    std::string image;
    std::string error;
    int reads_made;
  } cases[] = {
      {{"old", "old"}, "old", "", 2},
      {{"torn", "new", "new"}, "new", "", 3},
      {{"old", "torn", "new", "new"}, "new", "", 4},
      {{"a", "b", "a", "b", "a", "b", "a", "b", "a"}, "b", "it changed at every read", most_reads},
      {{"old", "!"}, "old", "gone", 2},
  };
  for (const auto& c : cases) {
    int made = 0;
    std::string image;
    const std::string error = read_until_settled(image, [&](std::string& into) {
      into = c.reads.at(static_cast<std::size_t>(made++));
      return into == "!" ? std::string("gone") : std::string();
    });
    EXPECT_EQ(error, c.error) << c.reads[0];
    EXPECT_EQ(image, c.image) << c.reads[0];
    EXPECT_EQ(made, c.reads_made);
  }
}

}  // namespace
}  // namespace sortwell
