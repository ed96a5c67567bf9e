#pragma once

#include <string>

namespace sortwell {

// A function of one of the program's own modules, for a library too heavy
// to load at every start: found in the program itself where the module's
// code is linked in, else in the module file `module` (no suffix) beside
// the program, then in its library folder. Loaded once, at the first call,
// and kept. nullptr with `why` (the loader's words) where none has it.
void* module_function(const std::string& module, const char* function, std::string& why);

}  // namespace sortwell
