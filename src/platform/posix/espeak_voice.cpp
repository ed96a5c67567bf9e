#include "platform/posix/espeak_voice.h"

#include <espeak-ng/speak_lib.h>
#include <fcntl.h>
#include <unistd.h>

#include "common/codepage.h"

namespace sortwell {
namespace {

// The audio stack (ALSA, PulseAudio, pcaudio) prints its complaints to
// standard error, nine lines per sentence when there is no sound card, and
// standard error may be the screen. Engine calls run with it pointed at
// /dev/null; the console writes through its own descriptor.
class StandardErrorSilenced {
 public:
  StandardErrorSilenced() {
    const int null_fd = open("/dev/null", O_WRONLY | O_CLOEXEC);
    saved_ = fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 3);
    if (null_fd >= 0 && saved_ >= 0) dup2(null_fd, STDERR_FILENO);
    if (null_fd >= 0) close(null_fd);
  }
  ~StandardErrorSilenced() {
    if (saved_ < 0) return;
    dup2(saved_, STDERR_FILENO);
    close(saved_);
  }
  StandardErrorSilenced(const StandardErrorSilenced&) = delete;
  StandardErrorSilenced& operator=(const StandardErrorSilenced&) = delete;

 private:
  int saved_ = -1;
};

// Retrieval mode: each sentence's samples go to the sink named in its user data.
int receive_samples(short* samples, int count, espeak_EVENT* events) {
  auto* sink = static_cast<EspeakVoice::SampleSink*>(events->user_data);
  if (sink == nullptr || !*sink || samples == nullptr || count <= 0) return 0;
  return (*sink)(samples, count) ? 0 : 1;
}

}  // namespace

EspeakVoice::EspeakVoice() {
  StandardErrorSilenced quiet;
  // DONT_EXIT: without it the library ends the process when its data is missing.
  ready_ = espeak_Initialize(AUDIO_OUTPUT_SYNCH_PLAYBACK, 0, nullptr, espeakINITIALIZE_DONT_EXIT) > 0;
}

EspeakVoice::EspeakVoice(SampleSink sink) : sink_(std::move(sink)) {
  StandardErrorSilenced quiet;
  ready_ = espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 0, nullptr, espeakINITIALIZE_DONT_EXIT) > 0;
}

EspeakVoice::~EspeakVoice() {
  if (!ready_) return;
  StandardErrorSilenced quiet;
  espeak_Terminate();
}

void EspeakVoice::say(std::string_view sentence) {
  if (!ready_ || sentence.empty()) return;
  const std::string text = Codepage::windows_1252().to_utf8(sentence);
  StandardErrorSilenced quiet;
  // The engine has one callback for the process; make sure it is ours.
  if (sink_) espeak_SetSynthCallback(receive_samples);
  espeak_Synth(text.c_str(), text.size() + 1, 0, POS_CHARACTER, 0, espeakCHARS_UTF8, nullptr, &sink_);
}

}  // namespace sortwell
