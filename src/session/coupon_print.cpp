#include "session/coupon_print.h"

#include "platform/code_page.h"
#include "reading/printed_lines.h"

namespace sortwell {

Reply read_coupon_aloud(Console& console, Voice& voice, const PrintReading& print, bool brief) {
  const Heard heard = read_while_telling(voice, console.keyboard(), print);
  if (!heard.failure.empty()) return failure_reply(console, heard.failure.c_str());
  Keyboard& keyboard = console.keyboard();
  const std::size_t said = brief ? brief_lines(heard.lines) : heard.lines.size();
  std::string all, rest;
  bool cut = false;
  for (std::size_t i = 0; i < heard.lines.size(); ++i) {
    const std::string line = program_code_page().from_utf8(heard.lines[i]);
    // Printed, then said: a voice that prints finds it said already.
    console.print_text(line);
    console.print_newline();
    if (i < said && !cut) {
      speak(voice, line, &keyboard);
      cut = keyboard.key_arrived();
    }
    all += (all.empty() ? "" : " ") + line;
    if (i >= said) rest += (rest.empty() ? "" : " ") + line;
  }
  Reply reply;
  reply.full = rest.empty() ? all : rest;
  return reply;
}

}  // namespace sortwell
