#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace sortwell {

// "sortwell read PICTURE": the print in a picture file (PNG, JPEG, PNM,
// TIFF...), a photo of a coupon as a rule, printed on `out` a line each,
// the largest first, in `languages`; status 0. A file that cannot be
// opened, is no picture, is damaged, or holds no print is told on `err`
// with its reason, status 1; a usage error, status 2.
int run_read_command(const std::vector<std::string_view>& arguments, const std::string& languages, std::FILE* out,
                     std::FILE* err);

}  // namespace sortwell
