#include "platform/screen_reader.h"

#include <windows.h>

namespace sortwell {

bool screen_reader_running() {
  BOOL running = FALSE;
  return SystemParametersInfoW(SPI_GETSCREENREADER, 0, &running, 0) && running;
}

}  // namespace sortwell
