#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <filesystem>
#include <thread>

#include "e2e/pty_process.h"
#include "platform/posix/speechd_library.h"
#include "platform/posix/speechd_link.h"
#include "platform/voice.h"
#include "records/coupon_record.h"
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
// The blank that proves a server can speak, before anything else.
const std::string proof = " ";

TEST(SpeechDispatcher, EverySentenceArrivesWholeAndEndsBeforeThePrompt) {
  SpeechServer server("0.3");
  if (!installed()) GTEST_SKIP() << "speech-dispatcher is not installed";
  ASSERT_TRUE(server.ready()) << "the private speech-dispatcher server did not start";
  Sortwell run(server);
  ASSERT_TRUE(run.process.wait_for("Sortwell: "));
  EXPECT_TRUE(server.finished_speaking());
  EXPECT_EQ(server.text(), proof + greeting);
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
  EXPECT_EQ(server.text(), proof + greeting + "no record found.I don't know this coupon"
                                      "I now need you to tell me about your current coupon please."
                                      "<A&B> offers  quantity  1ghost mode activated");
}

// Seven bytes a second, as a slow voice speaks: the greeting takes 13 s. Every
// sentence is heard once, in that voice, to its end.
TEST(SpeechDispatcher, ASlowVoiceSpeaksEverySentenceOnceToItsEnd) {
  SpeechServer server("$((n/7))");
  if (!installed()) GTEST_SKIP() << "speech-dispatcher is not installed";
  ASSERT_TRUE(server.ready()) << "the private speech-dispatcher server did not start";
  Sortwell run(server);
  ASSERT_TRUE(run.process.wait_for("Sortwell: ", 30s));
  EXPECT_TRUE(server.finished_speaking());
  run.process.type("g\r");
  ASSERT_TRUE(run.process.wait_for("Sortwell: ", 15s));
  EXPECT_TRUE(server.finished_speaking());
  run.process.type("\r");
  EXPECT_EQ(run.process.wait_exit(), 0);
  // Nothing was handed to the built-in voice: the server had every sentence.
  EXPECT_EQ(server.text(), proof + greeting + "ghost mode activated");
}

// Servers that take sentences but cannot speak them: the prompt comes at once,
// nothing of the session is queued there, and the program quits at once.
TEST(SpeechDispatcher, AServerThatCannotSpeakIsLetGoAtOnce) {
  struct Case {
    const char* name;
    const char* speaking_time;
    bool stops_answering;
  };
  for (const Case& c : {Case{"begins every piece and never ends it", "1000", false},
                        Case{"never answers", "0", true}}) {
    SCOPED_TRACE(c.name);
    SpeechServer server(c.speaking_time);
    if (!installed()) GTEST_SKIP() << "speech-dispatcher is not installed";
    ASSERT_TRUE(server.ready()) << "the private speech-dispatcher server did not start";
    // A stopped server still takes the connection, and then never answers.
    if (c.stops_answering) server.stop();
    auto run = std::make_unique<Sortwell>(server);
    ASSERT_TRUE(run->process.wait_for("Sortwell: ", 8s)) << run->process.output();
    run->process.type("g\r");
    ASSERT_TRUE(run->process.wait_for("Sortwell: ", 8s));
    run->process.type("\r");
    EXPECT_EQ(run->process.wait_exit(10s), 0) << run->process.output();
    if (!c.stops_answering) {
      EXPECT_EQ(server.text(), proof);
    }
  }
}

// A server that dies in the middle of a sentence, then an empty line: the
// program ends at once, every descriptor closed once (the sanitizer build
// runs this too); its module, and the module's synthesis, end with it.
TEST(SpeechDispatcher, AServerKilledMidSentenceDoesNotHangTheSession) {
  SpeechServer server("$((n>1?60:0))");
  if (!installed()) GTEST_SKIP() << "speech-dispatcher is not installed";
  ASSERT_TRUE(server.ready()) << "the private speech-dispatcher server did not start";
  Sortwell run(server);
  for (int i = 0; i < 500 && !server.text().starts_with(proof + "Welcome"); ++i) std::this_thread::sleep_for(10ms);
  ASSERT_TRUE(server.text().starts_with(proof + "Welcome")) << server.text();
  server.kill_now();
  EXPECT_EQ(server.left_behind(), 0);
  ASSERT_TRUE(run.process.wait_for("Sortwell: ", 15s));
  run.process.type("\r");
  EXPECT_EQ(run.process.wait_exit(std::chrono::seconds(5)), 0) << run.process.output();
}

// The user's voice is the goal for the whole run: a server that answers
// only after the first prompt (a module loading, a server being started),
// or that is started or restarted later, speaks the sentences after that,
// and a sentence is spoken by one voice only.
TEST(SpeechDispatcher, AServerThatComesLateSpeaksTheSentencesAfter) {
  struct Case {
    const char* name;
    bool started_late;  // else it answers late, stopped for a moment
  };
  for (const Case c : {Case{"answers only after the start-up bound", false}, Case{"is started after Sortwell", true}}) {
    SCOPED_TRACE(c.name);
    SpeechServer server("0", !c.started_late);
    if (!installed()) GTEST_SKIP() << "speech-dispatcher is not installed";
    server.stop();
    Sortwell run(server);
    ASSERT_TRUE(run.process.wait_for("Sortwell: ", 3s));
    if (c.started_late) server.start();
    server.resume();
    // The link tries again every few seconds and proves the server with a blank.
    for (int i = 0; i < 100 && !(server.text() == proof && server.finished_speaking()); ++i) std::this_thread::sleep_for(100ms);
    ASSERT_EQ(server.text(), proof);
    run.process.type("g\r");
    ASSERT_TRUE(run.process.wait_for("Sortwell: "));
    EXPECT_EQ(server.text(), proof + "ghost mode activated");
    // Killed and started again: taken back.
    server.kill_now();
    server.start();
    run.process.type("g\r");
    ASSERT_TRUE(run.process.wait_for("Sortwell: "));
    const std::string before = proof + "ghost mode activated";
    for (int i = 0; i < 150 && !(server.text() == before + proof && server.finished_speaking()); ++i) {
      std::this_thread::sleep_for(100ms);
    }
    ASSERT_EQ(server.text(), before + proof) << "not taken back";
    run.process.type("g\r");
    ASSERT_TRUE(run.process.wait_for("Sortwell: "));
    EXPECT_EQ(server.text(), before + proof + "ghost mode activated");
    run.process.type("\r");
    EXPECT_EQ(run.process.wait_exit(), 0);
  }
}

// Stalled audio: a sentence begun and never ended holds the prompt only
// until its deadline, and is printed; SIGTERM during one ends the program at
// once, with the terminal given back.
TEST(SpeechDispatcher, AStalledSentenceIsPrintedAndSigtermEndsAtOnce) {
  SpeechServer server("$((n>1?600:0))");
  if (!installed()) GTEST_SKIP() << "speech-dispatcher is not installed";
  Sortwell run(server);
  const auto started = std::chrono::steady_clock::now();
  // Printed on a line of its own (80 columns wide here), then the prompt.
  ASSERT_TRUE(run.process.wait_for(greeting.substr(80) + "\r\nSortwell: ", 30s)) << run.process.output();
  EXPECT_LT(std::chrono::steady_clock::now() - started, time_to_speak(greeting.size()) + 2s);
  run.process.type("g\r");
  for (int i = 0; i < 100 && server.text() != proof + greeting + "ghost mode activated"; ++i) std::this_thread::sleep_for(10ms);
  const auto signalled = std::chrono::steady_clock::now();
  run.process.signal(SIGTERM);
  EXPECT_EQ(run.process.wait_exit(2s), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - signalled, 1s);
  EXPECT_TRUE(same_modes(run.process.modes(), run.process.modes_at_start()));
}

// Brief announcements through the user's own voice: a key typed while a
// sentence is heard cancels it on the server, and a burst of scans typed
// meanwhile is counted to the last one.
TEST(SpeechDispatcher, TheNextKeyCancelsTheSentenceAndNothingTypedIsLost) {
  SpeechServer server("$((n/7))");  // the greeting takes 13 s
  if (!installed()) GTEST_SKIP() << "speech-dispatcher is not installed";
  TempDir home;
  std::filesystem::create_directories(home.file(".config/sortwell"));
  std::filesystem::create_directories(home.file(".local/share/sortwell"));
  write_file(home.file(".config/sortwell/settings"), "brief = on\n");
  write_file(home.file(".local/share/sortwell/4711.cou"), pack_record(CouponRecord{}));
  PtyProcess run(SORTWELL_BINARY, sortwell_environment(home.path(), {server.address(), "SORTWELL_VOICE="}));
  for (int i = 0; i < 500 && !server.text().starts_with(proof + "Welcome"); ++i) std::this_thread::sleep_for(10ms);
  ASSERT_TRUE(server.text().starts_with(proof + "Welcome")) << server.text();
  std::string burst;
  for (int i = 0; i < 1000; ++i) burst += "4711\r";
  Typist typist(run, burst + "\r");
  EXPECT_EQ(run.wait_exit(60s), 0);
  EXPECT_EQ(unpack_record(read_file(home.file(".local/share/sortwell/4711.cou"))).quantity, "00001000");
  // The greeting began and was stopped: its piece never ended.
  const std::string said = server.said();
  const std::size_t greeting_at = said.find("start Welcome");
  ASSERT_NE(greeting_at, std::string::npos) << said;
  EXPECT_NE(said.substr(said.find('\n', greeting_at) + 1, 4), "end\n") << said;
}

// An answer still on its way is not the one now awaited: a sentence a
// stopped server never took, broken off, must not pass its refusal for the
// proof of the connection made after it, nor a sentence cut short its
// message for the next sentence's.
TEST(SpeechDispatcher, AnAnswerFromAConnectionGivenUpOrASentenceCutShortIsDropped) {
  SpeechServer server("0");
  if (!installed()) GTEST_SKIP() << "speech-dispatcher is not installed";
  ASSERT_TRUE(server.ready()) << "the private speech-dispatcher server did not start";
  const std::string address = server.address();
  setenv("SPEECHD_ADDRESS", address.substr(address.find('=') + 1).c_str(), 1);
  SpeechdLink link(5s, false);
  const auto within = [](auto duration) { return SpeechdLink::Clock::now() + duration; };
  link.connect();
  ASSERT_TRUE(link.await([&] { return link.queued && link.over(*link.queued); }, within(10s)));
  server.stop();
  link.say("never answered");
  EXPECT_FALSE(link.await([&] { return link.queued.has_value(); }, within(300ms)));
  // Given up as the voice gives up a server that does not answer.
  link.break_connection();
  link.close();
  link.connect();
  // The refusal arrives while the new connection waits for the stopped server.
  std::this_thread::sleep_for(300ms);
  link.take_arrived();
  EXPECT_FALSE(link.queued.has_value());
  server.resume();
  // Taken as the voice takes what arrives between sentences (no `await`,
  // which would stop at the old connection's hang-up): the proof.
  const auto answered = [&] {
    for (const auto until = within(20s); !link.queued && SpeechdLink::Clock::now() < until; std::this_thread::sleep_for(1ms)) {
      link.take_arrived();
    }
    return link.queued.value_or(-1);
  };
  const int proof = answered();
  ASSERT_GE(proof, 0);
  // Cut short before the stopped server answered it, then the next sentence.
  server.stop();
  link.say("cut short");
  link.cancel();
  link.say("the next");
  server.resume();
  EXPECT_EQ(answered(), proof + 2);
  unsetenv("SPEECHD_ADDRESS");
}

// The server's events of a connection are tied to it, as its answers are,
// once a newer connection is open too.
TEST(SpeechDispatcher, EventsOfAnOlderConnectionCarryItsOwnNumber) {
  SpeechServer server("0");
  if (!installed()) GTEST_SKIP() << "speech-dispatcher is not installed";
  const std::string address = server.address();
  setenv("SPEECHD_ADDRESS", address.substr(address.find('=') + 1).c_str(), 1);
  const SpeechdLibrary* spd = SpeechdLibrary::load();
  int events[2];
  ASSERT_TRUE(spd != nullptr && pipe(events) == 0);
  SPDConnection* older = open_connection(*spd, false, events[1], 1);
  SPDConnection* newer = open_connection(*spd, false, events[1], 2);
  ASSERT_TRUE(older != nullptr && newer != nullptr);
  const int message = spd->say(older, SPD_TEXT, "older");
  SpeechdEvent event{};
  pollfd arrived{events[0], POLLIN, 0};
  // Up to its end, every event is the older connection's.
  while (poll(&arrived, 1, 10000) == 1 && read(events[0], &event, sizeof event) == sizeof event) {
    EXPECT_EQ(event.connection, 1);
    if (event.kind == SpeechdEvent::ended && event.value == message) break;
  }
  EXPECT_EQ(event.value, message);
  let_go(*spd, older, false);
  let_go(*spd, newer, false);
  unsetenv("SPEECHD_ADDRESS");
}

}  // namespace
}  // namespace sortwell::testing
