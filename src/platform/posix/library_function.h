#pragma once

#include <dlfcn.h>

namespace sortwell {

// Sets `function` to `name` in `library` (dlopen's handle; none leaves it
// null): whether the library has it. For libraries loaded when first needed.
template <typename Function>
bool find_function(void* library, Function& function, const char* name) {
  function = library != nullptr ? reinterpret_cast<Function>(dlsym(library, name)) : nullptr;
  return function != nullptr;
}

}  // namespace sortwell
