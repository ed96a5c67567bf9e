#include "session/screen_reader.h"

#include "session/pace.h"

namespace sortwell {

bool starts_with_screen_reader(const VoiceSource& voices, ScreenReader setting) {
  if (voices.chosen) return false;
  switch (setting) {
    case ScreenReader::on: return true;
    case ScreenReader::off: return false;
    case ScreenReader::automatic: break;
  }
  return voices.screen_reader_running && voices.screen_reader_running();
}

SessionVoice::SessionVoice(Console& console, const VoiceSource& source, bool screen_reader, int rate)
    : source_(source), shown_(console), screen_reader_(screen_reader), rate_(rate) {
  if (!screen_reader_) current();
}

void SessionVoice::set_screen_reader(bool on, int rate) {
  screen_reader_ = on;
  rate_ = rate;
  if (!on) current();
}

Voice& SessionVoice::current() {
  if (screen_reader_) return shown_;
  if (opened_ == nullptr) {
    opened_ = &source_.open();
    opened_->set_rate(rate_);
  }
  return *opened_;
}

Reply toggle_screen_reader(Console& console, SessionVoice& voice, Settings& settings, const std::string& settings_path) {
  const bool on = !voice.screen_reader();
  voice.set_screen_reader(on, settings.rate);
  settings.screen_reader = on ? ScreenReader::on : ScreenReader::off;
  speak(voice.current(), on ? "screen reader mode on" : "screen reader mode off",
        settings.brief ? &console.keyboard() : nullptr);
  return keep_settings(console, settings, settings_path,
                       [mode = settings.screen_reader](Settings& kept) { kept.screen_reader = mode; });
}

}  // namespace sortwell
