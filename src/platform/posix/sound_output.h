#pragma once

namespace sortwell {

// Whether this machine has anywhere to play sound: a sound card's PCM
// device, or a sound server of this user's (PulseAudio, PipeWire). Without
// one, a speech server started for the program only hangs in its audio
// module, and cannot be ended.
bool has_sound_output();

}  // namespace sortwell
