// One known coupon looked up, against the bare system calls it needs.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "bench_support.h"
#include "records/coupon_file.h"
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

namespace sortwell::bench {
namespace {

// A new code among 100,000 records, from its Enter through its menu to the
// Enter that saves it: a plain code, and a DataBar code whose maker is
// looked for among the folder's names and found in five records.
void BM_NewCodeAmongAHundredThousand(benchmark::State& state) {
  const bool databar = state.range(0) == 1;
  const std::string& dir = data_dir_with(100000);
  const auto makers = {"8110106141411234562751206503261130", "8110106141416543213500110000310123196000",
                       "81101061414165432132501101203140131", "8110106141411234562751106501013085093140131",
                       "81120106141419999990666666"};
  for (const std::string code : makers) testing::write_file(dir + "/" + code + ".cou", pack_record(new_record(code)));
  const std::string code = databar ? "8110106141417777772751206503261130" : "2000000";
  for (auto _ : state) {
    Harness harness(dir, "\r");
    harness.look_up(code);
    state.PauseTiming();
    std::filesystem::remove(dir + "/" + code + ".cou");
    state.ResumeTiming();
  }
  for (const std::string code : makers) std::filesystem::remove(dir + "/" + code + ".cou");
}
BENCHMARK(BM_NewCodeAmongAHundredThousand)->ArgName("databar")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace sortwell::bench
