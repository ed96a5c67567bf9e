#include "command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace sortwell {
namespace {

struct Outcome {
  std::optional<int> status;
  std::string out;
  std::string err;
};

Outcome run(std::vector<const char*> arguments) {
  arguments.insert(arguments.begin(), "sortwell");
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  const auto status = handle_command_line(static_cast<int>(arguments.size()), arguments.data(), out, err);
  return {status, testing::read_and_close(out), testing::read_and_close(err)};
}

TEST(CommandLine, NoArgumentStartsTheSession) {
  const Outcome outcome = run({});
  EXPECT_FALSE(outcome.status.has_value());
  EXPECT_EQ(outcome.out + outcome.err, "");
}

TEST(CommandLine, HelpAndVersionInLongAndShortForm) {
  for (const char* help : {"--help", "-h"}) {
    const Outcome outcome = run({help});
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.out.rfind("Usage: sortwell", 0), 0u);
    EXPECT_EQ(outcome.err, "");
  }
  for (const char* version : {"--version", "-V"}) {
    const Outcome outcome = run({version});
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.out, "sortwell " SORTWELL_VERSION "\n");
  }
}

TEST(CommandLine, ErrorsNameTheArgumentInTheGnuManner) {
  const std::string hint = "Try 'sortwell --help' for more information.\n";
  const struct {
    std::vector<const char*> arguments;
    std::string first_line;
  } cases[] = {
      {{"--bogus"}, "sortwell: unrecognized option '--bogus'\n"},
      {{"-x"}, "sortwell: invalid option '-x'\n"},
      {{"4711"}, "sortwell: unexpected argument '4711'\n"},
      {{""}, "sortwell: unexpected argument ''\n"},
      {{"--help", "--version"}, "sortwell: unexpected argument '--version'\n"},
  };
  for (const auto& c : cases) {
    const Outcome outcome = run(c.arguments);
    EXPECT_EQ(outcome.status, 2) << c.first_line;
    EXPECT_EQ(outcome.out, "");
    EXPECT_EQ(outcome.err, c.first_line + hint);
  }
}

}  // namespace
}  // namespace sortwell
