#include "session/session.h"

#include "codes/coupon_code.h"
#include "common/text_value.h"
#include "common/upper_case.h"
#include "session/commands.h"
#include "session/coupon_lookup.h"
#include "platform/data_dir.h"
#include "records/record_file.h"
#include "session/failures.h"

namespace sortwell {
namespace {

using namespace std::chrono_literals;

// What the prompt keeps for the whole run. Nothing of it is saved: every run
// starts with both modes off and no last entry.
struct SessionState {
  bool ghost_mode = false;  // look coupons up without counting them
  bool edit_mode = false;   // open every looked-up coupon in the editor
  LastEntry last_entry;
  CategoryTable categories = build_category_table();
  std::uint8_t picker_position = 0;
};

// One line typed at the prompt; the first test that fires decides. Returns
// the sentence that stays pending: a line that is no command and no
// positive number leaves `pending` as it was, so it is heard again.
std::string run_line(const std::string& line, std::string pending, SessionState& state, Console& console,
                     Voice& voice, Clock& clock, const std::string& data_dir) {
  const std::string command = upper_case(line);
  if (line.find('?') != std::string::npos) return show_help(console, voice);
  if (command == "G") return toggle_mode(voice, state.ghost_mode, "ghost mode activated", "ghost mode inactive");
  if (command == "E") return toggle_mode(voice, state.edit_mode, "edit toggle is activated", "edit toggle is inactive");
  if (command == "X") return remove_last_entry(console, voice, state.last_entry);
  if (command == "Y") return time_and_date(clock);
  // A scanner may send its symbology identifier first: "]e08110...".
  const std::string_view code = code_of_line(line);
  if (text_value(code) > 0) {
    const LookupContext context{console,         voice,           state.categories, state.picker_position, data_dir,
                                state.ghost_mode, state.edit_mode, clock.local_time()};
    return look_up_coupon(context, code, state.last_entry);
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

int run_session(Console& console, Voice& voice, Clock& clock, const std::string& data_dir, bool make_missing) {
  SessionState state;
  const bool can_save = make_missing ? make_data_dir(data_dir) : data_dir_usable(data_dir);
  const bool can_lock = !can_save || folder_locks(data_dir);
  std::string pending =
      "Welcome to the Sortwell.  Press question mark and then enter key to get help."
      " May we start?";
  for (bool first_pass = true;; first_pass = false) {
    speak(voice, pending);
    // Said once, after the greeting: nothing sorted now can be kept.
    if (first_pass && !can_save) speak(voice, tell_failure(console, no_data_dir));
    if (first_pass && !can_lock) speak(voice, tell_failure(console, cannot_lock));
    console.print_text("Sortwell: ");
    const std::string line = console.read_line();
    if (line.empty()) break;
    pending = run_line(line, pending, state, console, voice, clock, data_dir);
  }
  quit(console, clock);
  return 0;
}

}  // namespace sortwell
