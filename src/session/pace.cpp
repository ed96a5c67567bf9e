#include "session/pace.h"

namespace sortwell {
namespace {

// A setting that cannot be kept is told, and sorting goes on.
Reply keep(Console& console, const Settings& settings, const std::string& settings_path) {
  const std::string why = save_settings(settings_path, settings);
  return why.empty() ? Reply{} : failure_reply(console, why.c_str());
}

}  // namespace

Reply toggle_brief(Console& console, Voice& voice, Settings& settings, const std::string& settings_path) {
  settings.brief = !settings.brief;
  // Said as the new mode says things: cut short by the next key when brief.
  speak(voice, settings.brief ? "brief announcements" : "full announcements",
        settings.brief ? &console.keyboard() : nullptr);
  return keep(console, settings, settings_path);
}

Reply step_rate(Console& console, Voice& voice, Keyboard* cut_by, Settings& settings, const std::string& settings_path,
                int step) {
  const RateRange range = voice.rate_range();
  settings.rate = range.within(range.within(settings.rate) + step);
  voice.set_rate(settings.rate);
  const bool at_end = settings.rate == (step > 0 ? range.fastest : range.slowest);
  speak(voice, step > 0 ? (at_end ? "fastest" : "faster") : (at_end ? "slowest" : "slower"), cut_by);
  return keep(console, settings, settings_path);
}

Reply tell_keys(Console& console, Voice& voice, Keyboard* cut_by) {
  static constexpr const char* keys =
      "Keys for sorting by ear: b brief or full announcements; f the full announcement of the last coupon; "
      "plus faster; minus slower; t the totals, or t and a bin number for that bin; r reads the coupon on the "
      "scanner aloud, the largest print first, with the scanner and print language your settings name; k these keys.";
  console.print_text(keys);
  console.print_newline();
  speak(voice, keys, cut_by);
  return {};
}

}  // namespace sortwell
