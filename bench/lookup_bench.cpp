// One known coupon looked up, against the bare system calls it needs.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "bench_support.h"
#include "session/coupon_lookup.h"

namespace sortwell::bench {
namespace {

std::string code_for(std::int64_t i, int files) { return std::to_string(1000000 + (i * 7919) % files); }

void BM_DurableLookUpOfKnownCoupon(benchmark::State& state) {
  const int files = static_cast<int>(state.range(0));
  Harness harness(data_dir_with(files));
  std::int64_t i = 0;
  for (auto _ : state) {
    harness.look_up(code_for(i++, files));
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DurableLookUpOfKnownCoupon)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);

// The limit of a durable lookup: open, lock, read, write of the count, its
// sync to the disk, close.
void BM_BareSystemCalls(benchmark::State& state) {
  const int files = static_cast<int>(state.range(0));
  const std::string& dir = data_dir_with(files);
  char image[276];
  std::int64_t i = 0;
  for (auto _ : state) {
    const std::string path = dir + "/" + code_for(i++, files) + ".cou";
    const int fd = open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW);
    flock(fd, LOCK_EX | LOCK_NB);
    benchmark::DoNotOptimize(pread(fd, image, sizeof image, 0));
    benchmark::DoNotOptimize(pwrite(fd, image + 263, 8, 263));
    fdatasync(fd);
    close(fd);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_BareSystemCalls)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);

// Whole sessions: 10,000 known codes typed at the prompt, then an empty line.
void BM_SessionOfTenThousandCoupons(benchmark::State& state) {
  constexpr int coupons = 10000;
  const std::string& dir = data_dir_with(1000);
  std::string script;
  for (int i = 0; i < coupons; ++i) script += code_for(i, 1000) + "\r";
  script += "\r";
  for (auto _ : state) {
    Harness harness(dir, script);
    harness.run();
  }
  state.SetItemsProcessed(state.iterations() * coupons);
}
BENCHMARK(BM_SessionOfTenThousandCoupons)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace sortwell::bench
