// The user's own voice through a running speech-dispatcher server (a private
// one whose output module speaks instantly): a sentence spoken to its end by
// the program's voice and by the bare client library, and start-up to the
// first prompt with the server already running.
#include <benchmark/benchmark.h>
#include <libspeechd.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <csignal>
#include <mutex>
#include <thread>

#include "bench_support.h"
#include "e2e/pty_process.h"
#include "platform/posix/speechd_voice.h"
#include "support/speech_server.h"

namespace sortwell::bench {
namespace {

using namespace std::chrono_literals;
const std::string sentence = "Acme offers soap quantity  3 bin number  7 as category  4";

testing::SpeechServer& server() {
  static testing::SpeechServer instance("0");
  static const bool addressed = [] {
    const std::string address = instance.address();
    return setenv("SPEECHD_ADDRESS", address.substr(address.find('=') + 1).c_str(), 1) == 0;
  }();
  (void)addressed;
  return instance;
}

void BM_SpeechdSpeakToEnd(benchmark::State& state) {
  if (!server().ready()) return state.SkipWithError("no speech-dispatcher server");
  SpeechdVoice::Bounds bounds = SpeechdVoice::default_bounds();
  bounds.connect = 2s;
  auto voice = SpeechdVoice::connect(bounds, nullptr);
  if (!voice || !voice->speaking_through_server()) return state.SkipWithError("no connection");
  for (auto _ : state) voice->say(sentence, nullptr);
}
BENCHMARK(BM_SpeechdSpeakToEnd)->Unit(benchmark::kMillisecond);

std::mutex ended_mutex;
std::condition_variable ended_changed;
bool ended = false;

void on_end(std::size_t, std::size_t, SPDNotificationType) {
  std::lock_guard lock(ended_mutex);
  ended = true;
  ended_changed.notify_all();
}

void BM_BareClientSpeakToEnd(benchmark::State& state) {
  if (!server().ready()) return state.SkipWithError("no speech-dispatcher server");
  SPDConnection* connection = spd_open2("bench", "bare", nullptr, SPD_MODE_THREADED, nullptr, 0, nullptr);
  if (connection == nullptr) return state.SkipWithError("no connection");
  connection->callback_end = on_end;
  connection->callback_cancel = on_end;
  spd_set_notification_on(connection, SPD_END);
  spd_set_notification_on(connection, SPD_CANCEL);
  for (auto _ : state) {
    ended = false;
    spd_say(connection, SPD_TEXT, sentence.c_str());
    std::unique_lock lock(ended_mutex);
    ended_changed.wait(lock, [] { return ended; });
  }
  spd_close(connection);
}
BENCHMARK(BM_BareClientSpeakToEnd)->Unit(benchmark::kMillisecond);

void BM_StartUpToFirstPromptWithServer(benchmark::State& state) {
  if (!server().ready()) return state.SkipWithError("no speech-dispatcher server");
  TempDir home;
  const std::string address = server().address();
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    testing::PtyProcess process(SORTWELL_BINARY,
                                testing::sortwell_environment(home.path(), {address, "SORTWELL_VOICE="}));
    if (!process.wait_for("Sortwell: ")) state.SkipWithError("no prompt");
    state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
}
BENCHMARK(BM_StartUpToFirstPromptWithServer)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);

// SIGTERM while a sentence is stalled in the audio (a module that begins
// and never ends): the time to the program's end. Goal: under a second.
void BM_SigtermDuringAStalledSentence(benchmark::State& state) {
  testing::SpeechServer stalled("$((n>1?600:0))");
  if (!stalled.ready()) return state.SkipWithError("no speech-dispatcher server");
  TempDir home;
  for (auto _ : state) {
    // The server's log holds every run's sentences: this run's greeting is the one after them.
    const std::size_t before = stalled.text().size();
    testing::PtyProcess process(SORTWELL_BINARY,
                                testing::sortwell_environment(home.path(), {stalled.address(), "SORTWELL_VOICE="}));
    for (int i = 0; i < 300 && stalled.text().find("Welcome", before) == std::string::npos; ++i) {
      std::this_thread::sleep_for(10ms);
    }
    const auto start = std::chrono::steady_clock::now();
    process.signal(SIGTERM);
    if (process.wait_exit(5s) != 0) state.SkipWithError("did not end");
    state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
}
BENCHMARK(BM_SigtermDuringAStalledSentence)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

// Brief announcements through the user's own voice: a key 300 ms into a
// long sentence (a module that speaks seven bytes a second) to the server's
// word that it stopped. Goal: at most 100 ms.
void BM_SpeechdKeyCutsASentenceShort(benchmark::State& state) {
  testing::SpeechServer slow("$((n/7))");
  if (!slow.ready()) return state.SkipWithError("no speech-dispatcher server");
  const std::string address = slow.address();
  setenv("SPEECHD_ADDRESS", address.substr(address.find('=') + 1).c_str(), 1);
  SpeechdVoice::Bounds bounds = SpeechdVoice::default_bounds();
  bounds.connect = 2s;
  auto voice = SpeechdVoice::connect(bounds, nullptr);
  if (!voice || !voice->speaking_through_server()) return state.SkipWithError("no connection");
  PipeKeyboard keys;
  for (auto _ : state) {
    std::chrono::steady_clock::time_point key;
    std::thread scanner([&] {
      std::this_thread::sleep_for(300ms);
      key = std::chrono::steady_clock::now();
      keys.type('4');
    });
    voice->say(sentence, &keys.keyboard);
    const auto stopped = std::chrono::steady_clock::now();
    scanner.join();
    keys.keyboard.wait_key();
    state.SetIterationTime(std::chrono::duration<double>(stopped - key).count());
  }
  server();  // the other rows' server is the address again
  const std::string back = server().address();
  setenv("SPEECHD_ADDRESS", back.substr(back.find('=') + 1).c_str(), 1);
}
BENCHMARK(BM_SpeechdKeyCutsASentenceShort)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace sortwell::bench
