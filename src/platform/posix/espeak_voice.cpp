#include "platform/posix/espeak_voice.h"

#include <espeak-ng/speak_lib.h>

#include "common/code_page.h"
#include "platform/posix/quiet_stderr.h"

namespace sortwell {
namespace {

// Retrieval mode: each sentence's samples go to the sink named in its user data.
int receive_samples(short* samples, int count, espeak_EVENT* events) {
  auto* sink = static_cast<EspeakVoice::SampleSink*>(events->user_data);
  if (sink == nullptr || !*sink || samples == nullptr || count <= 0) return 0;
  return (*sink)(samples, count) ? 0 : 1;
}

// The engine's default voice, "en", named by its file: found by name it
// costs a read of every voice file on the first sentence (about 7 ms).
constexpr const char* default_voice_file = "gmw/en";

bool start_engine(espeak_AUDIO_OUTPUT output) {
  StandardErrorSilenced quiet;
  // DONT_EXIT: without it the library ends the process when its data is missing.
  if (espeak_Initialize(output, 0, nullptr, espeakINITIALIZE_DONT_EXIT) <= 0) return false;
  // Where the file is missing the engine still finds "en" itself.
  espeak_SetVoiceByName(default_voice_file);
  return true;
}

}  // namespace

EspeakVoice::EspeakVoice() : ready_(start_engine(AUDIO_OUTPUT_SYNCH_PLAYBACK)) {}

EspeakVoice::EspeakVoice(SampleSink sink) : sink_(std::move(sink)), ready_(start_engine(AUDIO_OUTPUT_SYNCHRONOUS)) {}

EspeakVoice::~EspeakVoice() {
  if (!ready_) return;
  StandardErrorSilenced quiet;
  espeak_Terminate();
}

void EspeakVoice::say(std::string_view sentence) {
  if (!ready_ || sentence.empty()) return;
  const std::string text = CodePage::ansi().to_utf8(sentence);
  StandardErrorSilenced quiet;
  // The engine has one callback for the process; make sure it is ours.
  if (sink_) espeak_SetSynthCallback(receive_samples);
  espeak_Synth(text.c_str(), text.size() + 1, 0, POS_CHARACTER, 0, espeakCHARS_UTF8, nullptr, &sink_);
}

}  // namespace sortwell
