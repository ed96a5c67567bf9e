#pragma once

#include <benchmark/benchmark.h>
#include <poll.h>
#include <unistd.h>

#include <string>

#include "console/console.h"
#include "session/coupon_lookup.h"
#include "session/session.h"
#include "support/fakes.h"
#include "support/scripted_keyboard.h"
#include "support/temp_dir.h"

namespace sortwell::bench {

using testing::TempDir;

// Record files for the codes 1000000 to 1000000 + count - 1.
void fill_with_records(const std::string& dir, int count);
// A data directory of `files` such record files, made once per run.
const std::string& data_dir_with(int files);

// The limit of a durable lookup of `path`: open, lock, read, write of the
// count, its sync to the disk, close.
void bare_durable_count(const std::string& path);

// Output that goes nowhere.
class NullScreen : public Screen {
 public:
  void write(std::string_view) override {}
  int width() override { return 80; }
};

// A voice that only counts, so long runs keep no sentences.
class CountingVoice : public Voice {
 public:
  bool say(std::string_view, Keyboard*) override {
    ++sentences;
    return true;
  }
  long sentences = 0;
};

// A keyboard whose key is written from another thread, as a scanner's.
struct PipeKeyboard : Keyboard {
  int fds[2] = {-1, -1};
  PipeKeyboard() { benchmark::DoNotOptimize(pipe(fds)); }
  ~PipeKeyboard() override {
    close(fds[0]);
    close(fds[1]);
  }
  Key wait_key() override { return keys::enter; }
  bool key_arrived() override {
    pollfd input{fds[0], POLLIN, 0};
    return poll(&input, 1, 0) > 0;
  }
  int arrival_fd() override { return fds[0]; }
  void take() {
    char key;
    benchmark::DoNotOptimize(read(fds[0], &key, 1));
  }
};

// The program's devices over a script of keys, a null screen and a counting voice.
struct Harness {
  explicit Harness(std::string data_dir, std::string_view script = {})
      : data_dir(std::move(data_dir)), keyboard(script), console(keyboard, screen) {}
  std::string look_up(std::string_view code) {
    const LookupContext context{console, voice, categories, picker_position, data_dir, false, false};
    return look_up_coupon(context, code, last_entry).sentence;
  }
  int run() { return run_session(console, voice, clock, {data_dir, true, {}}); }

  std::string data_dir;
  testing::ScriptedKeyboard keyboard;
  NullScreen screen;
  CountingVoice voice;
  testing::FakeClock clock;
  Console console;
  CategoryTable categories = build_category_table();
  std::uint8_t picker_position = 0;
  LastEntry last_entry;
};

}  // namespace sortwell::bench
