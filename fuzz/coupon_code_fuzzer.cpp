// Any scanned line read as a coupon code, and what a new coupon would be told.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "codes/coupon_code.h"
#include "session/barcode.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace sortwell;
  const std::string_view line(reinterpret_cast<const char*>(data), size);
  const CouponCode code = read_coupon_code(code_of_line(line), 2026);
  CouponRecord fresh;
  fill_from_code(fresh, code, "Maker");
  barcode_sentence(code, "Maker");
  date_sentence(code, {2026, 12, 8});
  return 0;
}
