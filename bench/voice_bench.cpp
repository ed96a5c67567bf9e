// Time from asking for a sentence to its first synthesised samples: the
// program's voice, the bare engine with the same sentence, and a fresh
// espeak-ng process such as a script would start.
#include <benchmark/benchmark.h>
#include <espeak-ng/speak_lib.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>

#include "platform/posix/espeak_voice.h"

namespace sortwell::bench {
namespace {

using Clock = std::chrono::steady_clock;

const std::string sentence = "Acme offers soap quantity  3 bin number  7 as category  4";

Clock::time_point first_samples;

EspeakVoice& warm_voice() {
  static EspeakVoice voice([](const short*, int) {
    first_samples = Clock::now();
    return false;  // the first samples are all this measures
  });
  return voice;
}

void record(benchmark::State& state, Clock::time_point start) {
  state.SetIterationTime(std::chrono::duration<double>(first_samples - start).count());
}

void BM_VoiceToFirstSamples(benchmark::State& state) {
  EspeakVoice& voice = warm_voice();
  voice.say(sentence, nullptr);
  for (auto _ : state) {
    const auto start = Clock::now();
    voice.say(sentence, nullptr);
    record(state, start);
  }
}
BENCHMARK(BM_VoiceToFirstSamples)->UseManualTime()->Unit(benchmark::kMicrosecond);

int bare_samples(short*, int, espeak_EVENT*) {
  first_samples = Clock::now();
  return 1;
}

void BM_BareEngineToFirstSamples(benchmark::State& state) {
  warm_voice();
  espeak_SetSynthCallback(bare_samples);
  for (auto _ : state) {
    const auto start = Clock::now();
    espeak_Synth(sentence.c_str(), sentence.size() + 1, 0, POS_CHARACTER, 0, espeakCHARS_UTF8, nullptr, nullptr);
    record(state, start);
  }
}
BENCHMARK(BM_BareEngineToFirstSamples)->UseManualTime()->Unit(benchmark::kMicrosecond);

// The WAV header is 44 bytes; the first samples follow it.
void BM_FreshProcessToFirstSamples(benchmark::State& state) {
  for (auto _ : state) {
    const auto start = Clock::now();
    int out[2];
    if (pipe(out) != 0) break;
    const pid_t pid = fork();
    if (pid == 0) {
      dup2(out[1], 1);
      close(out[0]);
      close(out[1]);
      execlp("espeak-ng", "espeak-ng", "--stdout", sentence.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    close(out[1]);
    std::size_t got = 0;
    char buffer[4096];
    while (got <= 44) {
      const ssize_t n = read(out[0], buffer, sizeof buffer);
      if (n <= 0) break;
      got += static_cast<std::size_t>(n);
    }
    first_samples = Clock::now();
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    close(out[0]);
    if (got <= 44) state.SkipWithError("espeak-ng gave no samples");
    record(state, start);
  }
}
BENCHMARK(BM_FreshProcessToFirstSamples)->UseManualTime()->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace sortwell::bench
