#pragma once

namespace sortwell {

// Libraries (the audio stack, the speech server, the scanner's backends,
// the picture decoders) print their complaints to standard error, which may
// be the screen. Their calls run with it pointed at the null device; the
// console writes through its own descriptor. Several threads may hold one at
// once: standard error comes back when the last is gone.
class StandardErrorSilenced {
 public:
  StandardErrorSilenced();
  ~StandardErrorSilenced();
  StandardErrorSilenced(const StandardErrorSilenced&) = delete;
  StandardErrorSilenced& operator=(const StandardErrorSilenced&) = delete;
};

// Each platform's steps beneath it: a descriptor of the null device and a
// copy of standard error's (each -1 where none can be had), and standard
// error pointed at a descriptor.
int null_device_descriptor();
int copy_of_standard_error();
void point_standard_error_at(int descriptor);

}  // namespace sortwell
