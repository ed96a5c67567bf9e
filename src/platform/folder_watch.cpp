#include "platform/folder_watch.h"

#include <algorithm>
#include <atomic>
#include <limits>

#include "platform/ending.h"

namespace sortwell {
namespace {

using std::chrono::milliseconds;
using TimePoint = std::chrono::steady_clock::time_point;

// A wait lasts at most this long before the clock is read again: a test's
// clock moves without waking anybody.
constexpr milliseconds longest_wait{100};

// When the first wait saw the program told to end: the grace runs from then.
constexpr auto not_seen = std::numeric_limits<TimePoint::rep>::min();
std::atomic<TimePoint::rep> ending_seen{not_seen};

TimePoint first_seen(TimePoint now) {
  auto expected = not_seen;
  ending_seen.compare_exchange_strong(expected, now.time_since_epoch().count());
  return TimePoint(TimePoint::duration(ending_seen.load()));
}

milliseconds until(TimePoint moment, TimePoint now) {
  return std::clamp(std::chrono::ceil<milliseconds>(moment - now), milliseconds(0), longest_wait);
}

}  // namespace

bool FolderWatch::wait_since(FolderTask& task, TimePoint begun, std::optional<milliseconds> briefly) {
  TimePoint quiet_since = begun;
  std::uint64_t answers = task.answers();
  bool told = false;
  for (;;) {
    const TimePoint now = clock_.steady_now();
    if (told_to_end()) {
      const TimePoint end_by = first_seen(now) + grace_at_end;
      if (now >= end_by) end_now();
      if (task.wait(until(end_by, now), false) == FolderTask::Waited::done) return true;
      continue;
    }
    TimePoint next = told ? now + longest_wait : quiet_since + patience_;
    if (briefly) next = std::min(next, begun + *briefly);
    const FolderTask::Waited waited = task.wait(until(next, now));
    if (waited == FolderTask::Waited::done) return true;
    if (waited == FolderTask::Waited::ending) continue;
    const TimePoint later = clock_.steady_now();
    // What is due first is said first.
    if (briefly && later >= begun + *briefly) return false;
    if (const std::uint64_t heard = task.answers(); heard != answers) {
      answers = heard;
      quiet_since = later;
      told = false;
    } else if (!told && later >= quiet_since + patience_) {
      told = true;
      if (tell_) tell_();
    }
  }
}

}  // namespace sortwell
