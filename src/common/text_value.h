#pragma once

#include <string_view>

namespace sortwell {

// The number at the front of a text, the one rule for every number the
// program reads: leading blanks, tabs, CRs and LFs skipped; then an optional
// sign, digits with at most one decimal point and an optional exponent
// (E, e, D or d, optional sign, digits). Reading stops at the first byte that
// does not fit; no digits give 0. "&H", "&B", "&O"/"&Q" and a bare "&" read
// a whole number in base 16, 2 and 8. Too large a number gives +-infinity.
double text_value(std::string_view text);

}  // namespace sortwell
