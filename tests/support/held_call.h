#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "platform/record_files.h"
#include "support/fakes.h"

namespace sortwell::testing {

// A folder that stops answering, for a stand-in folder's calls: the
// `occurrence`th call of `primitive` waits until `release`, then ends as
// `released_as` says (nullopt: as it would have). Meanwhile `clock` runs a
// second a reading, so that a watch's patience runs out at once.
struct HeldCall {
  explicit HeldCall(std::string held, int nth = 1, std::optional<FileResult> ends_as = {})
      : primitive(std::move(held)), occurrence(nth), released_as(ends_as) {}

  std::string primitive;
  int occurrence = 1;
  std::optional<FileResult> released_as;
  FakeClock* clock = nullptr;

  // Called by the stand-in's every call; what the call is to fail with.
  std::optional<FileResult> pass(std::string_view name) {
    std::unique_lock lock(mutex_);
    if (name != primitive || ++seen_ != occurrence) return std::nullopt;
    clock->step = 1000;
    // A watch that never tells would leave it held: a failure, not a hang.
    released_.wait_for(lock, std::chrono::seconds(10), [&] { return released_flag_; });
    clock->step = 0;
    return released_as;
  }
  void release() {
    std::lock_guard lock(mutex_);
    released_flag_ = true;
    released_.notify_all();
  }

 private:
  bool released_flag_ = false;
  std::mutex mutex_;
  std::condition_variable released_;
  int seen_ = 0;
};

}  // namespace sortwell::testing
