#pragma once

namespace sortwell {

// The audio stack (ALSA, PulseAudio, pcaudio) and the speech server print
// their complaints to standard error, nine lines per sentence when there is
// no sound card, and standard error may be the screen. Voice calls run with
// it pointed at /dev/null; the console writes through its own descriptor.
// Several threads may hold one at once: standard error comes back when the
// last is gone.
class StandardErrorSilenced {
 public:
  StandardErrorSilenced();
  ~StandardErrorSilenced();
  StandardErrorSilenced(const StandardErrorSilenced&) = delete;
  StandardErrorSilenced& operator=(const StandardErrorSilenced&) = delete;
};

}  // namespace sortwell
