#pragma once

#include <string>

#include "console/console.h"
#include "session/session.h"
#include "support/fakes.h"
#include "support/scripted_keyboard.h"
#include "support/temp_dir.h"
#include "support/virtual_terminal.h"

namespace sortwell::testing {

// The program's devices as a test drives them: a scripted keyboard, a
// virtual terminal, a recording voice and a fake clock, with the data
// directory in a fresh temporary one.
struct TestProgram {
  explicit TestProgram(std::string_view script = {}, int width = 80)
      : keyboard(script), screen(width), console(keyboard, screen) {}

  // `screen_reader` is what detection finds, `voice_chosen` whether
  // SORTWELL_VOICE named a voice; `voices_opened` counts the voice's opening.
  int run() {
    const auto open = [this]() -> Voice& { return ++voices_opened, voice; };
    return run_session(console, {voice_chosen, [this] { return screen_reader; }, open}, clock, {data_dir, true, settings_path});
  }
  std::string record_file(const std::string& code) const { return data_dir + "/" + code + ".cou"; }

  TempDir data;
  std::string data_dir = data.path() + "/sortwell";
  std::string settings_path = data.path() + "/config/sortwell/settings";
  ScriptedKeyboard keyboard;
  VirtualTerminal screen;
  RecordingVoice voice;
  FakeClock clock;
  Console console;
  bool screen_reader = false;
  bool voice_chosen = false;
  int voices_opened = 0;
};

}  // namespace sortwell::testing
