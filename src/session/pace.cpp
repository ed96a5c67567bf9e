#include "session/pace.h"

namespace sortwell {

Reply keep_settings(Console& console, const Settings& settings, const std::string& settings_path,
                    const std::function<void(Settings&)>& change) {
  const std::string why = save_settings(settings_path, settings, change);
  return why.empty() ? Reply{} : failure_reply(console, why);
}

Reply toggle_brief(Console& console, Voice& voice, Settings& settings, const std::string& settings_path) {
  settings.brief = !settings.brief;
  // Said as the new mode says things: cut short by the next key when brief.
  speak(voice, settings.brief ? "brief announcements" : "full announcements",
        settings.brief ? &console.keyboard() : nullptr);
  return keep_settings(console, settings, settings_path,
                       [brief = settings.brief](Settings& kept) { kept.brief = brief; });
}

Reply step_rate(Console& console, Voice& voice, Keyboard* cut_by, Settings& settings, const std::string& settings_path,
                int step) {
  const RateRange range = voice.rate_range();
  settings.rate = range.within(range.within(settings.rate) + step);
  voice.set_rate(settings.rate);
  const bool at_end = settings.rate == (step > 0 ? range.fastest : range.slowest);
  speak(voice, step > 0 ? (at_end ? "fastest" : "faster") : (at_end ? "slowest" : "slower"), cut_by);
  return keep_settings(console, settings, settings_path, [rate = settings.rate](Settings& kept) { kept.rate = rate; });
}

Reply tell_keys(Console& console, Voice& voice, Keyboard* cut_by) {
  static constexpr const char* keys =
      "Keys for sorting by ear: b brief or full announcements; f the full announcement of the last coupon; "
      "plus faster; minus slower; t the totals, or t and a bin number for that bin; k these keys; "
      "s screen reader mode; m the last coupon's menu.";
  console.print_text(keys);
  console.print_newline();
  speak(voice, keys, cut_by);
  return {};
}

}  // namespace sortwell
