#include "platform/reading_data.h"

namespace sortwell {

std::string reading_data_dir() { return {}; }

std::string reading_data_source(std::string_view language) {
  // Debian names the packages with hyphens: chi_sim is tesseract-ocr-chi-sim.
  std::string package = "the package tesseract-ocr-";
  for (char c : language) package += c == '_' ? '-' : c;
  return package;
}

}  // namespace sortwell
