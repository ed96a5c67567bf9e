#include "session/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace sortwell {
namespace {

struct Outcome {
  std::optional<int> status;
  std::string out;
  std::string err;
};

std::string contents(std::FILE* file) {
  std::rewind(file);
  std::string text;
  for (int c = std::fgetc(file); c != EOF; c = std::fgetc(file)) text += static_cast<char>(c);
  std::fclose(file);
  return text;
}

Outcome run(std::vector<const char*> arguments) {
  arguments.insert(arguments.begin(), "sortwell");
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  const auto status = handle_command_line(static_cast<int>(arguments.size()), arguments.data(), out, err);
  return {status, contents(out), contents(err)};
}

TEST(CommandLine, NoArgumentStartsTheSession) {
  const Outcome outcome = run({});
  EXPECT_FALSE(outcome.status.has_value());
  EXPECT_EQ(outcome.out + outcome.err, "");
}

TEST(CommandLine, HelpAndVersionGoToStandardOutput) {
  const Outcome help = run({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out.rfind("Usage: sortwell", 0), 0u);
  EXPECT_EQ(help.err, "");
  const Outcome version = run({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, "sortwell " SORTWELL_VERSION "\n");
}

TEST(CommandLine, AnythingElseIsAUsageError) {
  for (const auto& arguments : std::vector<std::vector<const char*>>{{"-h"}, {"4711"}, {"--help", "--version"}, {""}}) {
    const Outcome outcome = run(arguments);
    EXPECT_EQ(outcome.status, 2);
    EXPECT_EQ(outcome.out, "");
    EXPECT_EQ(outcome.err.rfind("Usage: sortwell", 0), 0u);
  }
}

}  // namespace
}  // namespace sortwell
