#include "bench_support.h"

#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "records/coupon_record.h"

namespace sortwell::bench {

TempTree::TempTree() {
  std::string pattern = (std::filesystem::temp_directory_path() / "sortwell-bench-XXXXXX").string();
  if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
}

TempTree::~TempTree() {
  std::error_code ignored;
  if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
}

void fill_with_records(const std::string& dir, int count) {
  for (int i = 0; i < count; ++i) {
    CouponRecord record;
    record.code = std::to_string(1000000 + i);
    record.manufacturer = "Maker";
    record.description = "coupon " + record.code;
    record.quantity = "00000001";
    record.bin = "\x07";
    record.category = "\x04";
    std::ofstream(dir + "/" + record.code + ".cou", std::ios::binary) << pack_record(record);
  }
}

}  // namespace sortwell::bench
