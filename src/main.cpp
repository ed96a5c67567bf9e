#include <cstdio>

#include "command_line.h"
#include "platform/system_voice.h"
#include "platform/terminal.h"
#include "session/session.h"
#include "session/shown_voice.h"

int main(int argc, char** argv) {
  using namespace sortwell;
  SystemClock clock;
  const CommandLine line = handle_command_line(argc, argv, date_of(clock.local_time()), stdout, stderr);
  if (line.status) return *line.status;
  const auto voice_choice = voice_choice_from_environment();
  if (!voice_choice) {
    std::fprintf(stderr, "sortwell: %s\n", voice_choices());
    return 2;
  }
  Terminal terminal;
  Console console(terminal.keyboard(), terminal.screen());
  const std::unique_ptr<Voice> system_voice = open_system_voice(*voice_choice);
  HeardOrShown heard_or_shown(*system_voice, console);
  ShownVoice shown(console);
  Voice& voice = *voice_choice == VoiceChoice::none ? static_cast<Voice&>(shown) : heard_or_shown;
  return run_session(console, voice, clock, line.data_dir, !line.named_dir);
}
