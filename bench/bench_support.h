#pragma once

#include <string>

#include "console/console.h"
#include "session/program.h"
#include "session/session.h"
#include "support/fakes.h"
#include "support/scripted_keyboard.h"
#include "support/temp_dir.h"

namespace sortwell::bench {

using testing::TempDir;

// Record files for the codes 1000000 to 1000000 + count - 1.
void fill_with_records(const std::string& dir, int count);

// Output that goes nowhere.
class NullScreen : public Screen {
 public:
  void write(std::string_view) override {}
  int width() override { return 80; }
};

// A voice that only counts, so long runs keep no sentences.
class CountingVoice : public Voice {
 public:
  void say(std::string_view) override { ++sentences; }
  long sentences = 0;
};

// A program over a script of keys, a null screen and a counting voice.
struct Harness {
  explicit Harness(const std::string& data_dir, std::string_view script = {})
      : keyboard(script), console(keyboard, screen), program(console, voice, clock, data_dir) {
    program.categories = build_category_table();
  }
  testing::ScriptedKeyboard keyboard;
  NullScreen screen;
  CountingVoice voice;
  testing::FakeClock clock;
  Console console;
  Program program;
};

}  // namespace sortwell::bench
