#include "platform/module.h"
#include "reading/print_engine.h"

namespace sortwell {

std::unique_ptr<PrintEngine> make_print_engine(std::string& why) {
  why.clear();
#if defined(SORTWELL_ENGINE_LINKED)
  return std::unique_ptr<PrintEngine>(sortwell_new_print_engine());
#elif defined(SORTWELL_HAVE_OCR)
  using New = PrintEngine* (*)();
  const auto make = reinterpret_cast<New>(module_function("sortwell-reading", "sortwell_new_print_engine", why));
  return std::unique_ptr<PrintEngine>(make != nullptr ? make() : nullptr);
#else
  return nullptr;
#endif
}

bool print_engine_built() {
#if defined(SORTWELL_HAVE_OCR)
  return true;
#else
  return false;
#endif
}

}  // namespace sortwell
