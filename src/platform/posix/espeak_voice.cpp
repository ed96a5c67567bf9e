#include "platform/posix/espeak_voice.h"

#include <espeak-ng/speak_lib.h>
#include <fcntl.h>
#include <pcaudiolib/audio.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

#include "platform/code_page.h"
#include "platform/posix/ending.h"
#include "platform/posix/quiet_stderr.h"
#include "platform/posix/thread_without_signals.h"

namespace sortwell {

// What the voice shares with the worker that calls the engine: one sentence
// at a time, and a byte on the pipe when it is over.
struct EspeakVoice::Engine {
  SampleSink sink;  // empty: the sound device
  audio_object* device = nullptr;
  bool device_open = false;
  int rate = 0;
  std::atomic<bool> stop{false};  // the sentence being spoken is to stop
  std::atomic<int> words_per_minute{espeakRATE_NORMAL};
  // The worker's own: the rate the engine has, and the sentence's samples
  // handed to the device since the first went.
  int words_per_minute_set = espeakRATE_NORMAL;
  std::int64_t samples_played = 0;
  std::chrono::steady_clock::time_point first_played;

  std::mutex mutex;
  std::condition_variable changed;
  std::optional<std::string> sentence;  // waiting for the worker
  bool busy = false;                    // the worker is in the engine
  bool quit = false;
  int done[2] = {-1, -1};
  std::thread worker;
};

namespace {

using Clock = std::chrono::steady_clock;

// Retrieval mode: each sentence's samples go to the voice's sink, or to the
// device, until it is to stop. The engine hands them over some 50 ms at a
// time; they go on in pieces of 10 ms, so that a sentence cut short stops
// within one.
int receive_samples(short* samples, int count, espeak_EVENT* events) {
  auto* engine = static_cast<EspeakVoice::Engine*>(events->user_data);
  if (engine == nullptr || engine->stop) return 1;
  if (samples == nullptr || count <= 0) return 0;
  if (!engine->sink && !engine->device_open) return 1;
  const int piece = std::max(1, engine->rate / 100);
  for (int at = 0; at < count; at += piece) {
    if (engine->stop) return 1;
    const int n = std::min(piece, count - at);
    if (engine->sink) {
      if (!engine->sink(samples + at, n)) return 1;
      continue;
    }
    if (engine->samples_played == 0) engine->first_played = Clock::now();
    if (audio_object_write(engine->device, samples + at, static_cast<std::size_t>(n) * sizeof(short)) != 0) return 1;
    engine->samples_played += n;
  }
  return 0;
}

// The engine's default voice, "en", named by its file: found by name it
// costs a read of every voice file on the first sentence (about 7 ms).
constexpr const char* default_voice_file = "gmw/en";

void speak_one(EspeakVoice::Engine& engine, const std::string& text) {
  StandardErrorSilenced quiet;
  if (!engine.sink && engine.device == nullptr) {
    engine.device = create_audio_device_object(nullptr, "sortwell", "Text-to-Speech");
    engine.device_open = engine.device != nullptr &&
                         audio_object_open(engine.device, AUDIO_OBJECT_FORMAT_S16LE, static_cast<std::uint32_t>(engine.rate), 1) == 0;
  }
  // Without a device there is nothing to speak to: silence.
  if (!engine.sink && !engine.device_open) return;
  if (const int rate = engine.words_per_minute; rate != engine.words_per_minute_set) {
    espeak_SetParameter(espeakRATE, rate, 0);
    engine.words_per_minute_set = rate;
  }
  espeak_SetSynthCallback(receive_samples);
  engine.samples_played = 0;
  espeak_Synth(text.c_str(), text.size() + 1, 0, POS_CHARACTER, 0, espeakCHARS_UTF8, nullptr, &engine);
  if (!engine.device_open) return;
  // The device is the worker's alone (a flush from another thread closes
  // and reopens an ALSA device under a write): so the sound is waited for
  // here, as long as its samples play, or until the sentence is to stop.
  const auto played = engine.first_played + std::chrono::microseconds(engine.samples_played * 1000000 / engine.rate);
  {
    std::unique_lock lock(engine.mutex);
    engine.changed.wait_until(lock, played, [&] { return engine.stop || engine.quit; });
  }
  // Heard to its end, or what the device still holds dropped.
  if (engine.stop) audio_object_flush(engine.device);
  else audio_object_drain(engine.device);
}

void work(std::shared_ptr<EspeakVoice::Engine> engine) {
  std::unique_lock lock(engine->mutex);
  for (;;) {
    engine->changed.wait(lock, [&] { return engine->sentence || engine->quit; });
    if (engine->quit) break;
    const std::string text = std::move(*engine->sentence);
    engine->sentence.reset();
    engine->busy = true;
    engine->stop = false;
    lock.unlock();
    speak_one(*engine, text);
    lock.lock();
    engine->busy = false;
    const char byte = 1;
    [[maybe_unused]] const ssize_t ignored = write(engine->done[1], &byte, 1);
  }
}

std::shared_ptr<EspeakVoice::Engine> start_engine(EspeakVoice::SampleSink sink) {
  auto engine = std::make_shared<EspeakVoice::Engine>();
  engine->sink = std::move(sink);
  StandardErrorSilenced quiet;
  // DONT_EXIT: without it the library ends the process when its data is missing.
  engine->rate = espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 0, nullptr, espeakINITIALIZE_DONT_EXIT);
  if (engine->rate <= 0 || pipe2(engine->done, O_CLOEXEC | O_NONBLOCK) != 0) {
    engine->rate = 0;
    return engine;
  }
  // Where the file is missing the engine still finds "en" itself.
  espeak_SetVoiceByName(default_voice_file);
  engine->worker = thread_without_signals(work, engine);
  return engine;
}

enum class Wait { idle, cut, late };

// How long a sentence cut short is given to fall silent.
constexpr std::chrono::milliseconds cut_wait{50};

// Waits until the worker has nothing to do (idle), up to `deadline`, or
// until the program is told to end (late), or a key arrives on `cut_by` (cut).
Wait wait_idle(EspeakVoice::Engine& engine, Clock::time_point deadline, Keyboard* cut_by) {
  const int key_fd = cut_by != nullptr ? cut_by->arrival_fd() : -1;
  for (;;) {
    // A key typed before the sentence begins leaves it unsaid.
    if (cut_by != nullptr && cut_by->key_arrived()) return Wait::cut;
    {
      std::lock_guard lock(engine.mutex);
      if (!engine.busy && !engine.sentence) return Wait::idle;
    }
    auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return Wait::late;
    // Without a descriptor to watch, the keyboard is asked every 10 ms.
    if (cut_by != nullptr && key_fd < 0) left = std::min<long long>(left, 10);
    pollfd fds[3] = {{engine.done[0], POLLIN, 0}, {ending_fd(), POLLIN, 0}, {key_fd, POLLIN, 0}};
    if (poll(fds, 3, static_cast<int>(left)) > 0 && (fds[1].revents & POLLIN)) return Wait::late;
    char bytes[16];
    [[maybe_unused]] const ssize_t drained = read(engine.done[0], bytes, sizeof bytes);
  }
}

// Stops the sentence at its next samples; the worker drops what the device
// holds.
void stop_sentence(EspeakVoice::Engine& engine) {
  std::lock_guard lock(engine.mutex);
  // A sentence not yet taken is never spoken; one being spoken stops.
  engine.sentence.reset();
  engine.stop = true;
  engine.changed.notify_all();
}

}  // namespace

EspeakVoice::EspeakVoice() : engine_(start_engine(nullptr)) {}

EspeakVoice::EspeakVoice(SampleSink sink, Deadline deadline) : engine_(start_engine(std::move(sink))), deadline_(deadline) {}

bool EspeakVoice::ready() const { return engine_->rate > 0; }

bool EspeakVoice::say(std::string_view sentence, Keyboard* cut_by) {
  if (!ready() || sentence.empty()) return true;
  if (stalls_.let_go()) return false;
  const std::string text = program_code_page().to_utf8(sentence);
  const auto deadline = Clock::now() + deadline_(text.size());
  Engine& engine = *engine_;
  // The sentence before may still be in a stalled device: waited for first.
  Wait waited = wait_idle(engine, deadline, cut_by);
  if (waited == Wait::idle) {
    {
      std::lock_guard lock(engine.mutex);
      engine.sentence = text;
      engine.changed.notify_all();
    }
    waited = wait_idle(engine, deadline, cut_by);
  }
  const bool heard = waited != Wait::late;
  stalls_.note(heard);
  if (waited == Wait::idle) return heard;
  stop_sentence(engine);
  // Cut short: the sound stops before the key is answered, unless the
  // device stalls.
  if (waited == Wait::cut) wait_idle(engine, Clock::now() + cut_wait, nullptr);
  return heard;
}

RateRange EspeakVoice::rate_range() {
  return {-(espeakRATE_NORMAL - espeakRATE_MINIMUM + rate_step - 1) / rate_step,
          (espeakRATE_MAXIMUM - espeakRATE_NORMAL) / rate_step};
}

void EspeakVoice::set_rate(int steps) {
  const int rate = espeakRATE_NORMAL + rate_range().within(steps) * rate_step;
  engine_->words_per_minute = std::clamp(rate, espeakRATE_MINIMUM, espeakRATE_MAXIMUM);
}

EspeakVoice::~EspeakVoice() {
  Engine& engine = *engine_;
  if (!engine.worker.joinable()) return;
  std::unique_lock lock(engine.mutex);
  engine.quit = true;
  engine.stop = true;
  engine.changed.notify_all();
  const bool stuck = engine.busy;
  lock.unlock();
  // A worker stuck in a stalled device is left to the end of the process,
  // with the engine it is in.
  if (stuck) {
    engine.worker.detach();
    return;
  }
  engine.worker.join();
  StandardErrorSilenced quiet;
  espeak_Terminate();
  if (engine.device != nullptr) {
    if (engine.device_open) audio_object_close(engine.device);
    audio_object_destroy(engine.device);
  }
  close(engine.done[0]);
  close(engine.done[1]);
}

}  // namespace sortwell
