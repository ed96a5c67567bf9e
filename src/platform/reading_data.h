#pragma once

#include <string>
#include <string_view>

namespace sortwell {

// Where the reading engine's language data lies: empty for the engine's own
// place (POSIX: where the system's packages put it, or TESSDATA_PREFIX);
// Windows: the tessdata folder beside sortwell.exe.
std::string reading_data_dir();

// What brings the data for `language` ("eng"), as the end of "Install ...":
// POSIX, Debian's package; Windows, the data file beside the program.
std::string reading_data_source(std::string_view language);

}  // namespace sortwell
