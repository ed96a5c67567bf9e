#include "session/session.h"

#include <cstdio>
#include <filesystem>

#include "common/text_value.h"
#include "common/upper_case.h"
#include "records/coupon_lookup.h"

namespace sortwell {
namespace {

using namespace std::chrono_literals;

void start_up(Program& program) {
  program.categories = build_category_table();
  std::error_code ignored;
  if (!program.session.data_dir.empty()) std::filesystem::create_directories(program.session.data_dir, ignored);
  program.session.help_text =
      "Designed to help sort coupons faster and with less effort.  Keys:"
      "g toggles ghost mode; e toggles edit mode; x removes deletes last entry; y means yes; n means no; "
      "nothing enter quits the program";
  program.speech_text =
      "Welcome to the Sortwell.  Press question mark and then enter key to get help."
      " May we start?";
}

void show_help(Program& program) {
  program.console.print_text(program.session.help_text);
  program.console.print_newline();
  say_now(program, program.session.help_text);
  program.session.input_line.clear();
  program.speech_text = "I am ready to start sorting coupons.";
}

void toggle(Program& program, bool& mode, const char* on_sentence, const char* off_sentence) {
  mode = !mode;
  say_now(program, mode ? on_sentence : off_sentence);
  program.speech_text.clear();
}

void remove_last_entry(Program& program) {
  SessionState& session = program.session;
  if (record_file_exists(session.last_entry_path)) {
    say_now(program, "I am removing your last entry as requested.");
    delete_record_file(session.last_entry_path);
    session.last_entry_path.clear();
  } else {
    say_now(program, "No prior entry known, so I cannot remove any record.");
  }
}

void tell_time_and_date(Program& program) {
  const std::tm now = program.clock.local_time();
  char stamp[64];
  std::snprintf(stamp, sizeof stamp, "%02d:%02d:%02d  %02d-%02d-%04d", now.tm_hour, now.tm_min, now.tm_sec,
                now.tm_mon + 1, now.tm_mday, now.tm_year + 1900);
  program.speech_text = std::string("I am ready for your first coupon.  The time and date is ") + stamp;
}

// The first test that fires decides; help empties the line, so nothing after it could fire anyway.
void run_command(Program& program) {
  SessionState& session = program.session;
  const std::string command = upper_case(session.input_line);
  if (session.input_line.find('?') != std::string::npos) {
    show_help(program);
  } else if (command == "G") {
    toggle(program, session.ghost_mode, "ghost mode activated", "ghost mode inactive");
  } else if (command == "E") {
    toggle(program, session.edit_mode, "edit toggle is activated", "edit toggle is inactive");
  } else if (command == "X") {
    remove_last_entry(program);
  } else if (command == "Y") {
    tell_time_and_date(program);
  } else if (text_value(session.input_line) > 0) {
    look_up_coupon(program);
  }
}

void quit(Program& program) {
  program.records.close_record_file();
  program.console.print_text("Shutting down Sortwell software now... ");
  program.clock.pause(2000ms);
  program.console.print_text("Done.");
  program.console.print_newline();
  program.clock.pause(1000ms);
}

}  // namespace

int run_session(Program& program) {
  start_up(program);
  for (;;) {
    speak(program);
    program.console.print_text("Sortwell: ");
    program.session.input_line = program.console.read_line();
    if (program.session.input_line.empty()) break;
    run_command(program);
  }
  quit(program);
  return 0;
}

}  // namespace sortwell
