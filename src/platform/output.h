#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace sortwell {

enum class Output {
  text,   // for people: to a console as its characters, whatever its code page
  bytes,  // for programs: byte for byte, everywhere
};

// Writes `utf8` to `stream` whole and flushes it; false when any of it could
// not be written (a full disk, a closed pipe). POSIX: the bytes as they are.
// Windows: text to a console goes through WriteConsoleW; everything else is
// written in binary mode, so that no CR is added before a line feed.
bool write_output(std::FILE* stream, std::string_view utf8, Output kind);

// A path (UTF-8, as every path here) as the C library's fopen takes it, for
// a library that opens files itself. POSIX: the same bytes. Windows: the
// system's ANSI code page; a path it cannot hold becomes the empty path,
// which opens nothing.
std::string c_library_path(const std::string& utf8);

}  // namespace sortwell
