#include "session/session.h"

#include <charconv>

#include "codes/coupon_code.h"
#include "common/text_value.h"
#include "common/upper_case.h"
#include "editor/coupon_menu.h"
#include "platform/data_dir.h"
#include "platform/scanner.h"
#include "records/record_file.h"
#include "session/commands.h"
#include "session/coupon_lookup.h"
#include "session/coupon_print.h"
#include "session/failures.h"
#include "session/pace.h"
#include "session/screen_reader.h"
#include "session/totals.h"

namespace sortwell {
namespace {

using namespace std::chrono_literals;

// What the prompt keeps for the whole run. Only the settings outlive it:
// every run starts with ghost and edit mode off and no last entry.
struct SessionState {
  bool ghost_mode = false;  // look coupons up without counting them
  bool edit_mode = false;   // open every looked-up coupon in the editor
  LastEntry last_entry;
  CategoryTable categories = build_category_table();
  std::uint8_t picker_position = 0;
  Settings settings;
  std::string last_full;  // the last looked-up coupon's full announcement, for "f"
  Reply last_coupon;      // the last coupon announced, for its menu ("m")
  // The reading engine is loaded at the first "r", never at start-up.
  CouponReader reader{open_system_scanner()};
  FolderWatch* watch = nullptr;  // every call to the coupon folder is asked through it
  // Destroyed first: the run waits for the maker searches it left going.
  MakerSearch::LeftOver unused_searches;
};

// "T" alone, or "T" and a bin number ("T 7", "T7"): `bin` is the bin asked
// for, none for the whole collection; false for any other line.
bool totals_asked(std::string_view command, std::optional<int>& bin) {
  if (!command.starts_with('T')) return false;
  command.remove_prefix(1);
  while (command.starts_with(' ')) command.remove_prefix(1);
  if (command.empty()) return true;
  int number = 0;
  const char* end = command.data() + command.size();
  const auto [stop, error] = std::from_chars(command.data(), end, number);
  if (error != std::errc() || stop != end || number < 0 || number > 255) return false;
  bin = number;
  return true;
}

// One line typed at the prompt; the first test that fires decides. Returns
// the reply that stays pending: a line that is no command and no positive
// number leaves `pending` as it was, so it is heard again.
Reply run_line(const std::string& line, Reply pending, SessionState& state, Console& console,
               SessionVoice& session_voice, Clock& clock, const SessionPlaces& places) {
  const std::string command = upper_case(line);
  Voice& voice = session_voice.current();
  Keyboard* const cut_by = state.settings.brief ? &console.keyboard() : nullptr;
  std::optional<int> bin;
  if (line.find('?') != std::string::npos) return {show_help(console, voice, cut_by)};
  if (command == "G") return {toggle_mode(voice, cut_by, state.ghost_mode, "ghost mode activated", "ghost mode inactive")};
  if (command == "E") {
    return {toggle_mode(voice, cut_by, state.edit_mode, "edit toggle is activated", "edit toggle is inactive")};
  }
  // What is removed, or not, is heard whole; "f" and "m" no longer tell a
  // record removed.
  if (command == "X") {
    Reply removed{remove_last_entry(console, voice, state.last_entry, state.watch), true};
    if (state.last_entry.path.empty()) {
      state.last_full.clear();
      state.last_coupon = {};
    }
    return removed;
  }
  if (command == "Y") return {time_and_date(clock)};
  if (command == "B") return toggle_brief(console, voice, state.settings, places.settings_path);
  if (command == "F") return {state.last_full.empty() ? "There is no announcement to repeat." : state.last_full};
  if (command == "S") return toggle_screen_reader(console, session_voice, state.settings, places.settings_path);
  if (command == "M") {
    if (!state.last_coupon.coupon) return {"There is no coupon to show."};
    show_coupon_menu(console, *state.last_coupon.coupon, state.categories, state.last_coupon.code);
    return {};
  }
  // The screen reader speaks at its own rate: the one kept here stays for the voice.
  if ((command == "+" || command == "-") && session_voice.screen_reader()) return {"Your screen reader sets the rate."};
  if (command == "+" || command == "-") {
    return step_rate(console, voice, cut_by, state.settings, places.settings_path, command == "+" ? 1 : -1);
  }
  if (command == "K") return tell_keys(console, voice, cut_by);
  const PrintReading print{state.reader, read_options(state.settings)};
  if (command == "R") {
    Reply reply = read_coupon_aloud(console, voice, print, state.settings.brief);
    if (!reply.full.empty()) state.last_full = reply.full;
    return reply;
  }
  if (totals_asked(command, bin)) {
    return tell_totals(console, voice, cut_by, places.data_dir, date_of(clock.local_time()), bin, *state.watch);
  }
  // A scanner may send its symbology identifier first: "]e08110...".
  const std::string_view code = code_of_line(line);
  if (text_value(code) > 0) {
    LookupContext context{console, voice, state.categories, state.picker_position, places.data_dir,
                          state.ghost_mode, state.edit_mode, clock.local_time()};
    context.unused_searches = &state.unused_searches;
    context.brief = state.settings.brief;
    context.cut_by = cut_by;
    context.menu_shown = !session_voice.screen_reader();
    context.print = &print;
    context.watch = state.watch;
    Reply reply = look_up_coupon(context, code, state.last_entry);
    state.last_full = reply.full;
    state.last_coupon.coupon = reply.coupon;
    state.last_coupon.code = reply.code;
    return reply;
  }
  return pending;
}

void quit(Console& console, Clock& clock) {
  console.print_text("Shutting down Sortwell software now... ");
  console.flush();
  clock.pause(2000ms);
  console.print_text("Done.");
  console.print_newline();
  clock.pause(1000ms);
}

}  // namespace

int run_session(Console& console, const VoiceSource& voices, Clock& clock, const SessionPlaces& places) {
  std::string settings_told;
  const Settings settings = load_settings(places.settings_path, settings_told);
  // Decided before any voice is opened: a screen reader's user hears no second voice.
  SessionVoice session_voice(console, voices, starts_with_screen_reader(voices, settings.screen_reader),
                             settings.rate);
  // A call to the folder that keeps the user waiting is told, whole; it
  // outlives the state, whose maker searches may still be waited for.
  FolderWatch watch(clock, [&] {
    // Once until something else is shown: the several slow calls of one
    // scan are one wait to the user, and a screen reader reads each line.
    if (console.current_line().empty() && console.last_line() == folder_slow) return;
    tell_failure(console, folder_slow);
    console.flush();
    speak(session_voice.current(), folder_slow);
  });
  SessionState state;
  state.settings = settings;
  state.watch = &watch;
  const std::string& data_dir = places.data_dir;
  const bool can_save = watch.ask([&] { return places.make_missing ? make_data_dir(data_dir) : data_dir_usable(data_dir); });
  const bool can_lock = !can_save || folder_locks(data_dir, &watch);
  Reply pending{"Welcome to the Sortwell.  Press question mark and then enter key to get help. May we start?"};
  for (bool first_pass = true;; first_pass = false) {
    Voice& voice = session_voice.current();
    speak(voice, pending.sentence, state.settings.brief && !pending.whole ? &console.keyboard() : nullptr);
    // Said once, after the greeting: nothing sorted now can be kept, or the
    // settings are the defaults after all.
    if (first_pass && !can_save) speak(voice, tell_failure(console, no_data_dir));
    if (first_pass && !can_lock) speak(voice, tell_failure(console, cannot_lock));
    if (first_pass && !settings_told.empty()) speak(voice, tell_failure(console, settings_told.c_str()));
    console.print_text("Sortwell: ");
    const std::string line = console.read_line();
    if (line.empty()) break;
    pending = run_line(line, pending, state, console, session_voice, clock, places);
  }
  quit(console, clock);
  return 0;
}

}  // namespace sortwell
