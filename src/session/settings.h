#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace sortwell {

// What a user chose for sorting by ear, kept for the next run in their own
// settings file, never in the coupon folder: plain "name = value" lines,
// blank lines and "#" comments allowed. Ghost and edit mode are not kept.
// Whether the user's own screen reader is the voice: found at start-up
// (auto), or chosen.
enum class ScreenReader { automatic, on, off };

struct Settings {
  bool brief = false;  // brief = on | off
  int rate = 0;        // rate = the voice's steps from its default, -20 to 20
  ScreenReader screen_reader = ScreenReader::automatic;  // screen reader = auto | on | off
  bool operator==(const Settings&) const = default;
};

// The settings a file's text holds; nullopt, with `what` saying what is
// wrong ("line 2: rate must be a whole number from -20 to 20"), for nonsense.
std::optional<Settings> parse_settings(std::string_view text, std::string& what);
std::string settings_text(const Settings& settings);

// The settings at `path`: the defaults where there is no file yet. A file
// that cannot be read, or holds nonsense, gives the defaults and `told`, the
// sentence that says why.
Settings load_settings(const std::string& path, std::string& told);
// Keeps one change at `path`, whole or not at all: `change` applied to the
// settings the file holds at that moment (this run's `settings`, the change
// made, where it holds none that make sense), so that a change another copy
// made meanwhile stays too. Empty when kept, else the sentence that says
// why it could not be.
std::string save_settings(const std::string& path, const Settings& settings,
                          const std::function<void(Settings&)>& change);

}  // namespace sortwell
