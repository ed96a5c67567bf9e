#pragma once

#include <string>

namespace sortwell {

// Whether this machine has anywhere to play sound: a sound card's PCM
// device, or a sound server of this user's (PulseAudio, PipeWire). Without
// one, a speech server started for the program only hangs in its audio
// module, and cannot be ended.
bool has_sound_output();

// Whether a sound server answers: one `pulse_server` names (PULSE_SERVER's
// list, its first that takes a connection), or where it is unset a
// PulseAudio or PipeWire socket in `run_dir` that takes one. A socket file
// left by a server that went away is none.
bool sound_server_answers(const char* pulse_server, const std::string& run_dir);

}  // namespace sortwell
