#include "platform/output.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include "platform/win32/win32_text.h"

namespace sortwell {

bool write_output(std::FILE* stream, std::string_view utf8, Output kind) {
  std::fflush(stream);
  HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
  DWORD mode = 0;
  if (kind == Output::text && GetConsoleMode(handle, &mode)) {
    // The console shows characters, not the bytes of some code page.
    const std::wstring text = wide_from_utf8(utf8);
    DWORD written = 0;
    return WriteConsoleW(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
           written == text.size();
  }
  // The C runtime's text mode would turn every LF into CR LF.
  _setmode(_fileno(stream), _O_BINARY);
  const bool written = std::fwrite(utf8.data(), 1, utf8.size(), stream) == utf8.size();
  return std::fflush(stream) == 0 && written && !std::ferror(stream);
}

std::string c_library_path(const std::string& utf8) { return ansi_path_from_utf8(utf8); }

}  // namespace sortwell
