#pragma once

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <array>
#include <string>

#include "console/console.h"
#include "platform/posix/fd_keyboard.h"
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

// A keyboard whose keys are written down a pipe from another thread, as a
// scanner's come down its terminal.
struct PipeKeyboard {
  static std::array<int, 2> made() {
    std::array<int, 2> ends{-1, -1};
    benchmark::DoNotOptimize(pipe(ends.data()));
    return ends;
  }
  ~PipeKeyboard() {
    close(fds[0]);
    close(fds[1]);
  }
  void type(char key) { benchmark::DoNotOptimize(write(fds[1], &key, 1)); }
  std::array<int, 2> fds = made();  // before the keyboard that reads its end
  FdKeyboard keyboard{fds[0]};
};

// The program's devices over a script of keys, a null screen and a counting voice.
struct Harness {
  explicit Harness(std::string data_dir, std::string_view script = {})
      : data_dir(std::move(data_dir)), keyboard(script), console(keyboard, screen) {}
  // As the session looks a code up: each call to the folder asked in its task.
  std::string look_up(std::string_view code) {
    LookupContext context{console, voice, categories, picker_position, data_dir, false, false};
    context.watch = &watch;
    return look_up_coupon(context, code, last_entry).sentence;
  }
  int run() { return run_session(console, {true, {}, [this]() -> Voice& { return voice; }}, clock, {data_dir, true, {}}); }

  std::string data_dir;
  testing::ScriptedKeyboard keyboard;
  NullScreen screen;
  CountingVoice voice;
  testing::FakeClock clock;
  Console console;
  CategoryTable categories = build_category_table();
  std::uint8_t picker_position = 0;
  LastEntry last_entry;
  FolderWatch watch{clock, [] {}};
};

}  // namespace sortwell::bench
