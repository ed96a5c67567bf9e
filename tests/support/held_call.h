#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "platform/record_files.h"
#include "support/fakes.h"

namespace sortwell::testing {

// A stand-in folder that stops answering: the `occurrence`th call of
// `primitive` waits for `release` (10 s at most: a watch that never tells
// fails rather than hangs), then ends as `released_as` says (nullopt: as it
// would have). Meanwhile `clock` runs a second a reading: patience runs out at once.
// The first call of `then` after it is held too, long past the patience, and
// then answers by itself.
struct HeldCall {
  std::string primitive;
  int occurrence = 1;
  std::optional<FileResult> released_as = {};
  std::string then = {};
  FakeClock* clock = nullptr;
  std::mutex mutex{};
  std::condition_variable released{};
  bool open = false;
  int seen = 0;

  std::optional<FileResult> pass(std::string_view name) {
    std::unique_lock lock(mutex);
    const bool late = open && !then.empty() && name == then;
    if (!late && (name != primitive || ++seen != occurrence)) return std::nullopt;
    if (late) then.clear();
    clock->step = 1000;
    released.wait_for(lock, late ? std::chrono::milliseconds(300) : std::chrono::seconds(10), [&] { return !late && open; });
    clock->step = 0;
    return late ? std::nullopt : released_as;
  }
  void release() {
    const std::lock_guard lock(mutex);
    open = true, released.notify_all();
  }
};

}  // namespace sortwell::testing
