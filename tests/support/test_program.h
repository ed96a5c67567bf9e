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

  int run() { return run_session(console, voice, clock, {data_dir, true, settings_path}); }
  std::string record_file(const std::string& code) const { return data_dir + "/" + code + ".cou"; }

  TempDir data;
  std::string data_dir = data.path() + "/sortwell";
  std::string settings_path = data.path() + "/config/sortwell/settings";
  ScriptedKeyboard keyboard;
  VirtualTerminal screen;
  RecordingVoice voice;
  FakeClock clock;
  Console console;
};

}  // namespace sortwell::testing
