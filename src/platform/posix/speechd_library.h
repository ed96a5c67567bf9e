#pragma once

#include <libspeechd.h>

#include <algorithm>

namespace sortwell {

// speech-dispatcher's client library, loaded at run time when first needed:
// without it (or without a server) the program still runs, with its
// built-in voice. nullptr when it cannot be loaded whole.
struct SpeechdLibrary {
  decltype(&spd_open2) open = nullptr;
  decltype(&spd_set_notification_on) notify = nullptr;
  decltype(&spd_set_data_mode) set_data_mode = nullptr;
  decltype(&spd_say) say = nullptr;
  decltype(&spd_cancel) cancel = nullptr;
  decltype(&spd_close) close = nullptr;
  decltype(&spd_set_voice_rate) set_rate = nullptr;
  decltype(&spd_get_voice_rate) get_rate = nullptr;
  decltype(&spd_get_default_address) default_address = nullptr;
  decltype(&SPDConnectionAddress__free) free_address = nullptr;

  static const SpeechdLibrary* load();
};

// A connection for plain text whose server tells the begin, end and cancel
// of every message, as (message id, event) on `events_fd` (one descriptor
// serves the process). `autospawn`: the library may start a server where
// the configuration allows. nullptr when none answers. Its events carry
// `number`, even once a newer connection is open: an event of a connection
// given up before is told from the new one's.
SPDConnection* open_connection(const SpeechdLibrary& spd, bool autospawn, int events_fd, int number);

// The server's rates run from -100 to 100; a step is ten, on top of the
// rate the user configured.
inline int server_rate(int configured, int steps) { return std::clamp(configured + 10 * steps, -100, 100); }

// `connection`, just opened (nullptr where none answered), with a
// descriptor of its own for its socket, the rate the user configured there
// and `steps` on top of it; it queues its proof, a blank the server must
// begin and end. What it answers goes to `events_fd` with `number`: the
// configured rate, whether it connected, the proof's message id.
struct OpenedConnection {
  SPDConnection* connection = nullptr;
  int socket = -1;
  int configured_rate = 0;
};
OpenedConnection prove(const SpeechdLibrary& spd, SPDConnection* connection, int events_fd, int number, int steps);

// Closes `connection` (nullptr: nothing), its messages cancelled first; one
// whose server `broken` is kept open instead.
void let_go(const SpeechdLibrary& spd, SPDConnection* connection, bool broken);

// Whether a server listens where the library would connect: a local socket
// that takes a connection (or any address of another kind). Tried before a
// connection is opened again, since the library loses memory on each one
// that fails.
bool server_listens(const SpeechdLibrary& spd);

// What arrives on the events descriptor.
struct SpeechdEvent {
  enum Kind : int { connected, queued, begun, ended, cancelled, configured_rate } kind;
  int value;        // the message id; for `connected` 1 or 0; the rate
  int connection;   // the number of the connection it came from
  int request = 0;  // for `queued`: the number of the sentence it answers (0, the proof)
};
// Writes an event whole, or drops it rather than block.
void post(int fd, SpeechdEvent event);

}  // namespace sortwell
