#pragma once

#include <cstdint>
#include <string>

#include "categories/category_table.h"
#include "console/console.h"
#include "records/record_store.h"
#include "session/clock.h"
#include "session/voice.h"

namespace sortwell {

// What the prompt owns for the whole run. Nothing of it is saved: every run
// starts with both modes off and no last entry.
struct SessionState {
  std::string input_line;       // the line last read at the prompt: the current code, exactly as typed
  std::string data_dir;         // the directory that holds every record file
  std::string last_entry_path;  // record file of the last looked-up code; empty when none
  bool ghost_mode = false;      // look coupons up without counting them
  bool edit_mode = false;       // open every looked-up coupon in the editor
  std::string help_text;
};

// One run of the program: its devices and all of its state, created once.
struct Program {
  Program(Console& console, Voice& voice, Clock& clock, std::string data_dir)
      : console(console), voice(voice), clock(clock) {
    session.data_dir = std::move(data_dir);
  }

  Console& console;
  Voice& voice;
  Clock& clock;

  SessionState session;
  std::string speech_text;  // the sentence to be spoken next
  RecordStore records;      // the current record and the open record file
  CategoryTable categories;
  std::uint8_t picker_position = 0;
  std::string answer_text;  // scratch text shared by the editor and the picker
};

// Speaks `speech_text` to its end and leaves it as it is.
inline void speak(Program& program) {
  if (!program.speech_text.empty()) program.voice.say(program.speech_text);
}

// Stores a sentence in `speech_text` and speaks it at once; it stays pending.
inline void say_now(Program& program, std::string sentence) {
  program.speech_text = std::move(sentence);
  speak(program);
}

}  // namespace sortwell
