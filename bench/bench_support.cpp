#include "bench_support.h"

#include "records/coupon_record.h"

namespace sortwell::bench {

void fill_with_records(const std::string& dir, int count) {
  for (int i = 0; i < count; ++i) {
    CouponRecord record;
    record.code = std::to_string(1000000 + i);
    record.manufacturer = "Maker";
    record.description = "coupon " + record.code;
    record.quantity = "00000001";
    record.bin = 7;
    record.category = 4;
    testing::write_file(dir + "/" + record.code + ".cou", pack_record(record));
  }
}

}  // namespace sortwell::bench
