#include <windows.h>
#include <sapi.h>

#include <algorithm>
#include <chrono>

#include "platform/system_voice.h"
#include "platform/win32/win32_text.h"

namespace sortwell {
namespace {

// ISpVoice, spelt out: the import library does not carry it.
constexpr IID voice_interface = {0x6C44DF74, 0x72B9, 0x4992, {0xA1, 0xEC, 0xEF, 0x99, 0x6E, 0x04, 0x22, 0xD4}};

// The Windows voice: SAPI's SpVoice with the user's own voice and settings
// from the system's speech settings, none set here. A fresh voice object for
// every sentence, which speaks it to its end; a failure is silence. The
// sentence is spoken asynchronously and waited for in short steps, so that
// neither a program told to end (a closed console, a log-off) nor a stalled
// audio device holds it past its deadline: then it is stopped and `say`
// returns false. After two stalls in a row the voice is let go. A key on
// `cut_by` stops it too (purged), and `say` returns true. The rate is the
// user's own, `steps` of SAPI's -10 to 10 faster or slower.
class SapiVoice : public Voice {
 public:
  SapiVoice() : com_ready_(SUCCEEDED(CoInitialize(nullptr))) {}
  ~SapiVoice() override {
    if (com_ready_) CoUninitialize();
  }
  SapiVoice(const SapiVoice&) = delete;
  SapiVoice& operator=(const SapiVoice&) = delete;

  bool say(std::string_view sentence, Keyboard* cut_by) override {
    if (stalls_.let_go()) return false;
    if (cut_by != nullptr && cut_by->key_arrived()) return true;
    ISpVoice* voice = new_voice();
    if (voice == nullptr) return true;
    if (long own = 0; steps_ != 0) {
      if (FAILED(voice->GetRate(&own))) own = 0;
      voice->SetRate(std::clamp(own + steps_, -10L, 10L));
    }
    const std::wstring text = wide_from_code_page(sentence);
    const auto deadline = std::chrono::steady_clock::now() + time_to_speak(sentence.size());
    ULONG stream = 0;
    // Plain text: a record's "<" must not be taken for SAPI's XML markup.
    bool heard = FAILED(voice->Speak(text.c_str(), SPF_ASYNC | SPF_IS_NOT_XML, &stream));
    bool cut = false;
    while (!heard && !told_to_end() && std::chrono::steady_clock::now() < deadline) {
      // In steps of 20 ms where a key may cut it short: the sound stops within 50.
      const HRESULT done = voice->WaitUntilDone(cut_by != nullptr ? 20 : 50);
      heard = done == S_OK || FAILED(done);
      cut = !heard && cut_by != nullptr && cut_by->key_arrived();
      if (cut) break;
    }
    if (!heard) voice->Speak(nullptr, SPF_PURGEBEFORESPEAK, nullptr);
    voice->Release();
    heard = heard || cut;
    stalls_.note(heard);
    return heard;
  }

  // From the user's own rate to SAPI's ends.
  RateRange rate_range() override {
    long own = 0;
    if (ISpVoice* voice = new_voice()) {
      if (FAILED(voice->GetRate(&own))) own = 0;
      voice->Release();
    }
    return {static_cast<int>(-10 - own), static_cast<int>(10 - own)};
  }
  void set_rate(int steps) override { steps_ = steps; }

 private:
  // A voice object with the user's settings; nullptr where SAPI has none.
  static ISpVoice* new_voice() {
    CLSID voice_class{};
    if (FAILED(CLSIDFromProgID(L"SAPI.SpVoice", &voice_class))) return nullptr;
    ISpVoice* voice = nullptr;
    // Context 5: in-process or local server.
    if (FAILED(CoCreateInstance(voice_class, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, voice_interface,
                                reinterpret_cast<void**>(&voice)))) {
      return nullptr;
    }
    return voice;
  }

  bool com_ready_;
  Stalls stalls_;
  long steps_ = 0;
};

}  // namespace

std::unique_ptr<Voice> open_system_voice(VoiceChoice choice) {
  if (choice == VoiceChoice::none) return std::make_unique<SilentVoice>();
  return std::make_unique<SapiVoice>();
}

}  // namespace sortwell
