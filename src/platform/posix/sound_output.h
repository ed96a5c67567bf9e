#pragma once

#include <string>

namespace sortwell {

// Whether this machine has anywhere to play sound: a sound card's PCM
// device, or a sound server of this user's (PulseAudio, PipeWire). Without
// one, a speech server started for the program only hangs in its audio
// module, and cannot be ended.
bool has_sound_output();

// Whether a sound server answers, within half a second for all of them:
// one `pulse_server` names (PULSE_SERVER's list, any of them), or where it
// is unset a PulseAudio or PipeWire socket in `run_dir`. A PulseAudio
// server answers its first request; a PipeWire socket takes a connection.
// A socket file left by a server that went away is none, nor a port that
// takes connections but answers nothing (a tunnel to no server).
bool sound_server_answers(const char* pulse_server, const std::string& run_dir);

}  // namespace sortwell
