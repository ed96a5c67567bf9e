#include "platform/module.h"

#include <dlfcn.h>
#include <limits.h>
#include <unistd.h>

namespace sortwell {

void* module_function(const std::string& module, const char* function, std::string& why) {
  if (void* linked = dlsym(RTLD_DEFAULT, function)) return linked;
  char program[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", program, sizeof program - 1);
  if (length <= 0) {
    why = "I cannot tell where this program lies";
    return nullptr;
  }
  const std::string path(program, static_cast<std::size_t>(length));
  const std::string folder = path.substr(0, path.rfind('/') + 1);
  // Beside the program in its build tree; installed, in its library folder.
  for (const std::string& file : {folder + module + ".so", folder + SORTWELL_MODULE_DIR "/" + module + ".so"}) {
    if (access(file.c_str(), F_OK) != 0) continue;
    void* loaded = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (loaded == nullptr) {
      why = dlerror();
      return nullptr;
    }
    if (void* found = dlsym(loaded, function)) return found;
    why = file + " has no " + function;
    return nullptr;
  }
  why = module + ".so is not installed beside " + path;
  return nullptr;
}

}  // namespace sortwell
