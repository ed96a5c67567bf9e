// Writes the samples of one sentence, the first of a fresh engine, to
// standard output: "voice" through the program's voice, "engine" through
// the bare engine with its voice found by name. "told to end": a voice whose
// sound device stalls is told to end meanwhile; status 0 when it stopped
// waiting at once.
#include <espeak-ng/speak_lib.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "platform/posix/espeak_voice.h"

namespace {

std::vector<short> all;

int collect(short* samples, int count, espeak_EVENT*) {
  if (samples != nullptr && count > 0) all.insert(all.end(), samples, samples + count);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string sentence = "Acme offers soap quantity  3 bin number  7 as category  4";
  if (argc > 1 && std::strcmp(argv[1], "told to end") == 0) {
    sortwell::EspeakVoice voice([](const short*, int) {
      for (;;) std::this_thread::sleep_for(std::chrono::seconds(1));
      return true;
    });
    std::thread teller([] {
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
      sortwell::tell_to_end();
    });
    const auto start = std::chrono::steady_clock::now();
    const bool heard = voice.say(sentence, nullptr);
    teller.join();
    return !heard && std::chrono::steady_clock::now() - start < std::chrono::seconds(1) ? 0 : 1;
  }
  if (argc > 1 && std::strcmp(argv[1], "voice") == 0) {
    sortwell::EspeakVoice voice([](const short* samples, int count) {
      all.insert(all.end(), samples, samples + count);
      return true;
    });
    voice.say(sentence, nullptr);
  } else {
    espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 0, nullptr, espeakINITIALIZE_DONT_EXIT);
    espeak_SetSynthCallback(collect);
    espeak_Synth(sentence.c_str(), sentence.size() + 1, 0, POS_CHARACTER, 0, espeakCHARS_UTF8, nullptr, nullptr);
  }
  std::fwrite(all.data(), sizeof(short), all.size(), stdout);
  return all.empty() ? 1 : 0;
}
