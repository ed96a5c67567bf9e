#pragma once

namespace sortwell {

// Whether the user's own screen reader is running, so that it, not this
// program, is the voice. Asked once at start-up, before any voice is opened.
// It never holds start-up up: whatever does not answer at once (a session
// bus, a braille server) is given a few tens of milliseconds at most, and
// counts as no screen reader.
//
// POSIX: AT-SPI's ScreenReaderEnabled is true on the session bus (a desktop
// sets it when the user turns the screen reader on); an Orca process of this
// user runs (one started by hand sets nothing); Speakup is loaded and its
// synthesizer is not "none"; or BRLTTY's BrlAPI answers, for a braille
// display reading the console. Windows: SPI_GETSCREENREADER, which NVDA,
// JAWS and Narrator set while they run.
bool screen_reader_running();

}  // namespace sortwell
