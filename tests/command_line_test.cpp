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
  const CommandLine line = handle_command_line(static_cast<int>(arguments.size()), arguments.data(), {2026, 12, 8}, out, err);
  return {line.status, testing::read_and_close(out), testing::read_and_close(err)};
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

namespace sortwell {
namespace {

TEST(CommandLine, TheCollectionCommandsHaveHelpToo) {
  for (const char* command : {"report", "export"}) {
    const Outcome outcome = run({command, "--help"});
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.out.rfind("Usage: sortwell", 0), 0u) << command;
    EXPECT_EQ(outcome.err, "");
  }
}

// The session's own folder: named on the command line, it is used as it is.
TEST(CommandLine, DataDirForTheSession) {
  struct Case {
    std::vector<const char*> arguments;
    std::optional<int> status;
    std::string data_dir;
  };
  const Case cases[] = {
      {{"--data-dir", "/srv/coupons"}, std::nullopt, "/srv/coupons"},
      {{"--data-dir=/srv/coupons"}, std::nullopt, "/srv/coupons"},
      {{"--data-dir"}, 2, ""},
      {{"--data-dir="}, 2, ""},
      {{"--data-dir", "/srv/coupons", "extra"}, 2, ""},
  };
  for (const Case& c : cases) {
    std::vector<const char*> arguments = c.arguments;
    arguments.insert(arguments.begin(), "sortwell");
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    const CommandLine line = handle_command_line(static_cast<int>(arguments.size()), arguments.data(), {2026, 12, 8}, out, err);
    const std::string said = testing::read_and_close(out) + testing::read_and_close(err);
    EXPECT_EQ(line.status, c.status) << arguments[1];
    if (!c.status) {
      EXPECT_EQ(line.data_dir, c.data_dir);
      EXPECT_TRUE(line.named_dir);
      EXPECT_EQ(said, "");
    } else {
      EXPECT_NE(said.find("Try 'sortwell --help'"), std::string::npos) << said;
    }
  }
}

}  // namespace
}  // namespace sortwell
