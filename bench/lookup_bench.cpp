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

// The limit of a durable lookup.
void BM_BareSystemCalls(benchmark::State& state) {
  const int files = static_cast<int>(state.range(0));
  const std::string& dir = data_dir_with(files);
  std::int64_t i = 0;
  for (auto _ : state) bare_durable_count(dir + "/" + code_for(i++, files) + ".cou");
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
