#pragma once

#include <cstdio>
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

}  // namespace sortwell
