#include "session/settings.h"

#include <algorithm>
#include <cctype>
#include <charconv>

#include "platform/user_files.h"

namespace sortwell {
namespace {

constexpr int fastest_rate = 20;
// Far more than any settings file: a larger one is no settings file.
constexpr std::size_t largest_file = 64 * 1024;

std::string_view trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// Why the file could not be read or written, as a user can act on it: a
// clause after "I cannot read your settings:" or "I cannot keep this
// setting for the next run:".
std::string reason(const FileResult& result) {
  switch (result.cause) {
    case FileCause::disk_full: return "the disk is full";
    case FileCause::not_allowed: return "I am not allowed to use the file";
    case FileCause::read_only_folder: return "its folder is read-only";
    case FileCause::unreachable: return "its folder cannot be reached";
    case FileCause::bad_name: return "the file cannot have that name";
    default: break;
  }
  if (result.status == FileStatus::not_a_record) return "it is not a regular file";
  if (result.status == FileStatus::in_use) return "another Sortwell is changing it";
  if (result.system_error == 0) return "it is far too large";
  // The system's own words, as a clause: "input/output error".
  std::string words = system_error_text(result.system_error);
  if (words.size() > 1 && std::islower(static_cast<unsigned char>(words[1]))) {
    words[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(words[0])));
  }
  return words;
}

const char* screen_reader_text(ScreenReader mode) {
  switch (mode) {
    case ScreenReader::on: return "on";
    case ScreenReader::off: return "off";
    case ScreenReader::automatic: break;
  }
  return "auto";
}

// The reading engine's language names, joined by "+": letters, digits and
// "_" only, since each names a file in its data folder.
bool language_names(std::string_view value) {
  bool name_begun = false;
  for (char c : value) {
    const bool in_name = std::isalnum(static_cast<unsigned char>(c)) || c == '_';
    if (!in_name && (c != '+' || !name_begun)) return false;
    name_begun = in_name;
  }
  return name_begun;
}

// A SANE device name, or none: its backend's name (up to the first ":")
// becomes part of a library's file name: letters, digits, "_" and "-" alone.
bool device_name(std::string_view value) {
  const std::string_view backend = value.substr(0, value.find(':'));
  return std::all_of(backend.begin(), backend.end(),
                     [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-'; });
}

}  // namespace

std::optional<Settings> parse_settings(std::string_view text, std::string& what) {
  Settings settings;
  int number = 0;
  const auto nonsense = [&](const std::string& why) {
    what = why;
    return std::nullopt;
  };
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    const std::string_view line = trimmed(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    ++number;
    if (line.empty() || line.front() == '#') continue;
    const std::string at = "line " + std::to_string(number);
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) return nonsense(at + " is no name = value");
    const std::string_view name = trimmed(line.substr(0, equals));
    const std::string_view value = trimmed(line.substr(equals + 1));
    if (name == "brief" && (value == "on" || value == "off")) {
      settings.brief = value == "on";
    } else if (name == "brief") {
      return nonsense(at + ": brief must be on or off");
    } else if (name == "rate") {
      int rate = 0;
      const auto [rest, error] = std::from_chars(value.data(), value.data() + value.size(), rate);
      if (error != std::errc() || rest != value.data() + value.size() || rate < -fastest_rate || rate > fastest_rate) {
        return nonsense(at + ": rate must be a whole number from -20 to 20");
      }
      settings.rate = rate;
    } else if (name == "screen reader") {
      if (value == "auto") settings.screen_reader = ScreenReader::automatic;
      else if (value == "on") settings.screen_reader = ScreenReader::on;
      else if (value == "off") settings.screen_reader = ScreenReader::off;
      else return nonsense(at + ": screen reader must be auto, on or off");
    } else if (name == "scanner") {
      if (!device_name(value)) return nonsense(at + ": scanner must be a device name such as epson2:libusb:001:004");
      settings.scanner = value;
    } else if (name == "print language") {
      if (!language_names(value)) return nonsense(at + ": print language must be names such as eng, or eng+fra");
      settings.print_language = value;
    } else {
      return nonsense(at + " names no setting I know");
    }
  }
  return settings;
}

std::string settings_text(const Settings& settings) {
  return "# Sortwell's settings, kept from one run to the next.\n"
         "brief = " + std::string(settings.brief ? "on" : "off") + "\n"
         "rate = " + std::to_string(settings.rate) + "\n" +
         // The later settings only once they differ from the default: the usual file
         // stays short, and one an earlier version reads stays one it understands.
         (settings.screen_reader == ScreenReader::automatic ? ""
                                                            : "screen reader = " + std::string(screen_reader_text(settings.screen_reader)) + "\n") +
         (settings.scanner.empty() ? "" : "scanner = " + settings.scanner + "\n") +
         (settings.print_language == Settings{}.print_language ? "" : "print language = " + settings.print_language + "\n");
}

Settings load_settings(const std::string& path, std::string& told) {
  if (path.empty()) return {};
  std::string text;
  const FileResult read = read_small_file(path, largest_file, text);
  if (read.status == FileStatus::missing) return {};
  if (!read) {
    told = "I cannot read your settings: " + reason(read) + ". I use the defaults.";
    return {};
  }
  std::string what;
  const std::optional<Settings> settings = parse_settings(text, what);
  if (!settings) told = "Your settings make no sense to me: " + what + ". I use the defaults.";
  return settings.value_or(Settings{});
}

std::string save_settings(const std::string& path, const Settings& settings,
                          const std::function<void(Settings&)>& change) {
  if (path.empty()) return "I cannot keep this setting for the next run: I find no home folder for it.";
  // On what the file holds by then: another copy's change meanwhile stays.
  const FileResult kept = change_small_file(path, largest_file, [&](const std::string& now) {
    std::string what;
    Settings changed = now.empty() ? settings : parse_settings(now, what).value_or(settings);
    change(changed);
    return settings_text(changed);
  });
  return kept ? std::string() : "I cannot keep this setting for the next run: " + reason(kept) + ".";
}

}  // namespace sortwell
