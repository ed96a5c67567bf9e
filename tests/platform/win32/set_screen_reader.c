/* Raises Windows' screen-reader flag, as NVDA, JAWS and Narrator do while
   they run, for the test of what sortwell.exe does then. */
#include <windows.h>

int main(void) {
  return SystemParametersInfoW(SPI_SETSCREENREADER, TRUE, NULL, SPIF_UPDATEINIFILE | SPIF_SENDCHANGE) ? 0 : 1;
}
