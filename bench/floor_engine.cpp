// The start-up floor of a speaking program: the speech engine linked and
// initialised, then the prompt.
#include <espeak-ng/speak_lib.h>

#include <cstdio>

int main() {
  espeak_Initialize(AUDIO_OUTPUT_SYNCH_PLAYBACK, 0, nullptr, espeakINITIALIZE_DONT_EXIT);
  std::fputs("Sortwell: ", stdout);
  std::fflush(stdout);
  return std::getchar() == EOF;
}
