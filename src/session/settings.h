#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace sortwell {

// What a user chose for sorting by ear, kept for the next run in their own
// settings file, never in the coupon folder: plain "name = value" lines,
// blank lines and "#" comments allowed. Ghost and edit mode are not kept.
struct Settings {
  bool brief = false;  // brief = on | off
  int rate = 0;        // rate = the voice's steps from its default, -20 to 20
  std::string scanner;                   // scanner = DEVICE, SANE's name; empty: the first found
  std::string print_language = "eng";    // print language = eng, or eng+fra: the reading engine's names
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
// Keeps them at `path`, whole or not at all; empty when kept, else the
// sentence that says why they could not be.
std::string save_settings(const std::string& path, const Settings& settings);

}  // namespace sortwell
