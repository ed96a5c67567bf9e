#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <type_traits>

#include "platform/clock.h"
#include "platform/folder_task.h"

namespace sortwell {

// How long a call to the folder may go unanswered before the user is told:
// soon enough that the sentence is heard within a second of the call.
inline constexpr std::chrono::milliseconds folder_patience{800};
// How long work on the folder still gets once the program is told to end,
// so that a save on a folder that answers is made; then the program ends.
inline constexpr std::chrono::milliseconds grace_at_end{500};

// How the thread that waits for work on a folder, in a FolderTask, waits:
// - Where a call has gone unanswered for `patience` (for a job of many
//   calls: no answer for that long), `tell` is called, on this thread, once;
//   again only after answers came back. It tells nothing the outcome could
//   contradict: the outcome is the caller's to tell, when it comes.
// - Keys typed meanwhile stay in the keyboard, to be read after.
// - Once the program is told to end, the work has `grace_at_end` from the
//   first wait that saw it; after that the program ends at once (`end_now`):
//   nothing more is said, the terminal is given back, and the work is left
//   to finish in its task.
// The clock is the caller's, so that a test's can make the patience run out.
class FolderWatch {
 public:
  FolderWatch(Clock& clock, std::function<void()> tell, std::chrono::milliseconds patience = folder_patience)
      : clock_(clock), tell_(std::move(tell)), patience_(patience) {}
  FolderWatch(const FolderWatch&) = delete;
  FolderWatch& operator=(const FolderWatch&) = delete;

  // Runs `call` in the watch's own task, waits for it, and returns what it
  // returned. Done in place inside a job, and where no task can be made.
  template <typename Call>
  auto ask(Call&& call) -> decltype(call()) {
    return ask(std::forward<Call>(call), std::nullopt, {});
  }
  // As `ask`, and where the call has not returned within `after`, `aside`
  // is said first ("Counting.").
  template <typename Call>
  auto ask(Call&& call, std::optional<std::chrono::milliseconds> after, const std::function<void()>& aside)
      -> decltype(call()) {
    using Result = decltype(call());
    if constexpr (std::is_void_v<Result>) {
      run([&] { call(); }, after, aside);
    } else {
      Result result{};
      run([&] { result = call(); }, after, aside);
      return result;
    }
  }

  // Waits for the job begun last in `task`: true once it has returned;
  // false after `briefly`, where given, while it has not.
  bool wait(FolderTask& task, std::optional<std::chrono::milliseconds> briefly = std::nullopt) {
    return wait_since(task, clock_.steady_now(), briefly);
  }

 private:
  // As `wait`, the patience counted from `begun`.
  bool wait_since(FolderTask& task, std::chrono::steady_clock::time_point begun,
                  std::optional<std::chrono::milliseconds> briefly);

  template <typename Job>
  void run(Job&& job, std::optional<std::chrono::milliseconds> after, const std::function<void()>& aside) {
    using Held = std::remove_reference_t<Job>;
    const auto begun = clock_.steady_now();
    if (in_folder_task() || !own_.begin([](void* held) { (*static_cast<Held*>(held))(); }, &job)) {
      job();
      return;
    }
    if (after) {
      if (wait_since(own_, begun, *after)) return;
      if (aside) aside();
    }
    wait_since(own_, begun, std::nullopt);
  }

  Clock& clock_;
  std::function<void()> tell_;
  std::chrono::milliseconds patience_;
  FolderTask own_;
};

}  // namespace sortwell
