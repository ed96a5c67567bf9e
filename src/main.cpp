#include <cstdio>

#include "platform/system_voice.h"
#include "platform/terminal.h"
#include "command_line.h"
#include "platform/data_dir.h"
#include "session/session.h"

int main(int argc, char** argv) {
  if (auto status = sortwell::handle_command_line(argc, argv, stdout, stderr)) return *status;
  const auto voice_choice = sortwell::voice_choice_from_environment();
  if (!voice_choice) {
    std::fprintf(stderr, "sortwell: %s\n", sortwell::voice_choices());
    return 2;
  }
  sortwell::Terminal terminal;
  const auto voice = sortwell::open_system_voice(*voice_choice);
  sortwell::SystemClock clock;
  sortwell::Console console(terminal.keyboard(), terminal.screen());
  return sortwell::run_session(console, *voice, clock, sortwell::data_dir_from_environment());
}
