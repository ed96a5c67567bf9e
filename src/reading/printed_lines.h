#pragma once

#include <string>
#include <vector>

#include "reading/print_engine.h"

namespace sortwell {

// What the print says, as it is heard: the lines of the largest print
// first, lines of about one size (within 15%) in reading order. Blanks are
// made single and control characters dropped; a line without a letter or
// digit, or one the engine was hardly sure of, is noise and left out. UTF-8.
std::vector<std::string> largest_first(const std::vector<PrintedLine>& lines);

// How many of those lines brief mode says: the largest, up to about `words`
// words (a first line of more is said whole).
std::size_t brief_lines(const std::vector<std::string>& lines, std::size_t words = 12);

// The description made of what brief mode says, in the program's code page,
// cut at a word to `width` bytes.
std::string description_from(const std::vector<std::string>& lines, std::size_t width);

// An expiry date printed on the coupon ("Expires 03/31/2027", "Exp. 3/31/27",
// "EXP 03-2027") as the editor's four keys MMYY ("0327"); empty where none.
std::string expiry_in_print(const std::vector<std::string>& lines);

}  // namespace sortwell
