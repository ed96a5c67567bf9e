#include "bench_support.h"

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <map>
#include <memory>

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

const std::string& data_dir_with(int files) {
  static std::map<int, std::unique_ptr<TempDir>> made;
  auto& tree = made[files];
  if (!tree) {
    tree = std::make_unique<TempDir>();
    fill_with_records(tree->path(), files);
  }
  return tree->path();
}

}  // namespace sortwell::bench

namespace sortwell::bench {

void bare_durable_count(const std::string& path) {
  char image[276];
  const int fd = open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW);
  flock(fd, LOCK_EX | LOCK_NB);
  benchmark::DoNotOptimize(pread(fd, image, sizeof image, 0));
  benchmark::DoNotOptimize(pwrite(fd, image + 263, 8, 263));
  fdatasync(fd);
  close(fd);
}

}  // namespace sortwell::bench
