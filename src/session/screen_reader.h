#pragma once

#include <string>

#include "console/console.h"
#include "session/reply.h"
#include "session/session.h"
#include "session/settings.h"
#include "session/shown_voice.h"

namespace sortwell {

// Whether the session starts in screen-reader mode: never where the user
// named a voice; else as the settings say, and where they leave it to be
// found ("auto"), whether a screen reader runs, asked only then.
bool starts_with_screen_reader(const VoiceSource& voices, ScreenReader setting);

// The session's voice: in screen-reader mode the screen, which the user's
// screen reader reads (every sentence on a line of its own); otherwise the
// voice from `source`, opened the first time it is needed, at the rate kept.
class SessionVoice {
 public:
  SessionVoice(Console& console, const VoiceSource& source, bool screen_reader, int rate);
  bool screen_reader() const { return screen_reader_; }
  // Off opens the voice now, at `rate`, where it was not open yet.
  void set_screen_reader(bool on, int rate);
  Voice& current();

 private:
  const VoiceSource& source_;
  ShownVoice shown_;
  Voice* opened_ = nullptr;
  bool screen_reader_;
  int rate_;
};

// "s": screen-reader mode on or off; says "screen reader mode on" or
// "screen reader mode off" in the new mode (printed, or with the voice just
// opened), and keeps the choice at `settings_path`.
Reply toggle_screen_reader(Console& console, SessionVoice& voice, Settings& settings, const std::string& settings_path);

}  // namespace sortwell
