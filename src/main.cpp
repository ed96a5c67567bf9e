#include <cstdio>

#include "console/terminal.h"
#include "session/command_line.h"
#include "session/data_dir.h"
#include "session/espeak_voice.h"
#include "session/session.h"

int main(int argc, char** argv) {
  if (auto status = sortwell::handle_command_line(argc, argv, stdout, stderr)) return *status;
  sortwell::Terminal terminal;
  sortwell::EspeakVoice voice;
  sortwell::SystemClock clock;
  sortwell::Console console(terminal.keyboard(), terminal.screen());
  sortwell::Program program(console, voice, clock, sortwell::data_dir_from_environment());
  return sortwell::run_session(program);
}
