// A record image of any length loads; packing it gives 275 bytes whose
// code, numbers and padded texts survive a second round.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "records/coupon_record.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view image(reinterpret_cast<const char*>(data), size);
  const sortwell::CouponRecord record = sortwell::unpack_record(image);
  const std::string packed = sortwell::pack_record(record);
  if (packed.size() != sortwell::record_image_size) std::abort();
  if (sortwell::pack_record(sortwell::unpack_record(packed)) != packed) std::abort();
  sortwell::quantity_digits(sortwell::quantity_count(record) + 1);
  return 0;
}
