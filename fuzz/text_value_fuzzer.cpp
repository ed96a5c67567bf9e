// Any text read as a number, and the number written back as text.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "common/number_text.h"
#include "common/text_value.h"
#include "common/whole_number.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const double value = sortwell::text_value(text);
  sortwell::number_text(value);
  sortwell::number_text(value, sortwell::Precision::single_precision);
  sortwell::whole_number(value * 100);
  return 0;
}
