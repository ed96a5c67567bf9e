#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "e2e/pty_process.h"
#include "support/speech_server.h"
#include "support/temp_dir.h"

namespace sortwell::testing {
namespace {

using namespace std::chrono_literals;

struct Sortwell {
  explicit Sortwell(const SpeechServer& server)
      : process(SORTWELL_BINARY, sortwell_environment(home.path(), {server.address(), "SORTWELL_VOICE="})) {}
  TempDir home;
  PtyProcess process;
};

bool installed() { return std::filesystem::exists(SpeechServer::server_binary); }

const std::string greeting =
    "Welcome to the Sortwell.  Press question mark and then enter key to get help. May we start?";

TEST(SpeechDispatcher, EverySentenceArrivesWholeAndEndsBeforeThePrompt) {
  SpeechServer server("0.3");
  if (!installed()) GTEST_SKIP() << "speech-dispatcher is not installed";
  ASSERT_TRUE(server.ready()) << "the private speech-dispatcher server did not start";
  Sortwell run(server);
  ASSERT_TRUE(run.process.wait_for("Sortwell: "));
  EXPECT_TRUE(server.finished_speaking());
  EXPECT_EQ(server.text(), greeting);
  // A lookup of a new code (Enter at the editor) with markup characters in its
  // record, then a mode toggle.
  run.process.type("42\r1<A&B>\r\r");
  ASSERT_TRUE(run.process.wait_for("Sortwell: "));
  EXPECT_TRUE(server.finished_speaking());
  run.process.type("g\r");
  ASSERT_TRUE(run.process.wait_for("Sortwell: "));
  EXPECT_TRUE(server.finished_speaking());
  run.process.type("\r");
  EXPECT_EQ(run.process.wait_exit(), 0);
  EXPECT_EQ(server.text(), greeting + "no record found.I don't know this coupon"
                                      "I now need you to tell me about your current coupon please."
                                      "<A&B> offers  quantity  1ghost mode activated");
}

TEST(SpeechDispatcher, AServerKilledMidSentenceDoesNotHangTheSession) {
  SpeechServer server("60");
  if (!installed()) GTEST_SKIP() << "speech-dispatcher is not installed";
  ASSERT_TRUE(server.ready()) << "the private speech-dispatcher server did not start";
  Sortwell run(server);
  for (int i = 0; i < 500 && server.said().empty(); ++i) std::this_thread::sleep_for(10ms);
  ASSERT_NE(server.said(), "");
  server.kill_now();
  ASSERT_TRUE(run.process.wait_for("Sortwell: ", 15s));
  run.process.type("g\r");
  ASSERT_TRUE(run.process.wait_for("Sortwell: ", 15s));
  run.process.type("\r");
  EXPECT_EQ(run.process.wait_exit(), 0) << run.process.output();
}

}  // namespace
}  // namespace sortwell::testing
