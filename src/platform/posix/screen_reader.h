#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>

namespace sortwell {

// Where this system's screen readers show that they run, each a place a
// test can make.
struct ScreenReaderPlaces {
  std::string speakup = "/sys/accessibility/speakup";
  std::string proc = "/proc";
  uid_t user = 0;
  std::string session_bus;    // the D-Bus address of the user's session bus; empty: none
  std::string brlapi_socket;  // BrlAPI's local socket; empty: none to ask
};

// This process's: its user, DBUS_SESSION_BUS_ADDRESS (else
// $XDG_RUNTIME_DIR/bus, as sd-bus would), and BrlAPI's local socket for
// BRLAPI_HOST (":0" when unset). A bus over TCP or a BRLAPI_HOST on another
// host is not asked: start-up never reaches out over a network.
ScreenReaderPlaces screen_reader_places_from_environment();

// The longest BrlAPI, and then a session bus, that does not answer holds
// start-up, each, and the longest the processes are looked through. A bus
// that answers does within a few milliseconds.
inline constexpr std::chrono::milliseconds screen_reader_wait{50};

// Any of the four below, stopping at the first found: the cheapest first
// (a file; a socket that is mostly not there), the processes, the bus last.
bool screen_reader_found(const ScreenReaderPlaces& places, std::chrono::milliseconds wait);

// Speakup is loaded (its sysfs folder is there) and has a synthesizer:
// "none" in its `synth` is how the kernel's guide turns its speech off.
bool speakup_speaking(const std::string& speakup);
// A process of `user` runs Orca: its name is orca, or a Python runs orca;
// no longer than `wait` however many processes run. Another user's
// processes are not read.
bool orca_running(const std::string& proc, uid_t user, std::chrono::milliseconds wait);
// org.a11y.Status's ScreenReaderEnabled is true on the bus at `address`,
// within `wait`. The call starts no service: a bus without AT-SPI answers
// at once.
bool atspi_screen_reader_enabled(const std::string& address, std::chrono::milliseconds wait);
// A BrlAPI server at `socket` sends its version packet within `wait`, as
// it does first to every client.
bool brlapi_answers(const std::string& socket, std::chrono::milliseconds wait);

}  // namespace sortwell
