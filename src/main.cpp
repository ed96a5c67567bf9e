#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "command_line.h"
#include "platform/screen_reader.h"
#include "platform/system_voice.h"
#include "platform/terminal.h"
#include "platform/user_files.h"
#include "session/session.h"
#include "session/shown_voice.h"

namespace {

int run(int argc, char** argv) {
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
  // The voice is opened only where it is to speak: a screen reader's user gets no second voice.
  std::unique_ptr<Voice> system_voice;
  std::optional<HeardOrShown> heard_or_shown;
  ShownVoice shown(console);
  const VoiceSource voices{*voice_choice != VoiceChoice::automatic, screen_reader_running, [&]() -> Voice& {
                             if (*voice_choice == VoiceChoice::none) return shown;
                             system_voice = open_system_voice(*voice_choice);
                             return heard_or_shown.emplace(*system_voice, console);
                           }};
  return run_session(console, voices, clock, {line.data_dir, !line.named_dir, settings_path_from_environment()});
}

}  // namespace

#ifdef _WIN32
#include "platform/win32/win32_text.h"

// Windows hands the arguments over in UTF-16: as UTF-8, like every path
// here, a --data-dir of any characters survives.
int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> arguments;
  for (int i = 0; i < argc; ++i) arguments.push_back(sortwell::utf8_from_wide(argv[i]));
  std::vector<char*> pointers;
  for (std::string& argument : arguments) pointers.push_back(argument.data());
  pointers.push_back(nullptr);
  return run(argc, pointers.data());
}
#else
int main(int argc, char** argv) { return run(argc, argv); }
#endif
