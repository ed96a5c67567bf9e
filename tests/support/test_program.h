#pragma once

#include <string>
#include <vector>

#include "console/console.h"
#include "session/program.h"
#include "support/fakes.h"
#include "support/scripted_keyboard.h"
#include "support/temp_dir.h"
#include "support/virtual_terminal.h"

namespace sortwell::testing {

// A whole program over a scripted keyboard, a virtual terminal, a recording
// voice and a fake clock, with its data directory in a fresh temporary one.
struct TestProgram {
  explicit TestProgram(std::string_view script = {}, int width = 80)
      : keyboard(script), screen(width), console(keyboard, screen),
        program(console, voice, clock, data.path() + "/sortwell") {}

  std::string record_file(const std::string& code) const { return program.session.data_dir + "/" + code + ".cou"; }

  TempDir data;
  ScriptedKeyboard keyboard;
  VirtualTerminal screen;
  RecordingVoice voice;
  FakeClock clock;
  Console console;
  Program program;
};

}  // namespace sortwell::testing
