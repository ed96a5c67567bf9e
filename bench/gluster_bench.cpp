// Sorting on a shared GlusterFS volume: one lookup beside the bare locked
// read, write and sync of the same file on the same mount, and the scans per
// second of three stations sorting the same codes together.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <chrono>
#include <memory>

#include "bench_support.h"
#include "e2e/pty_process.h"
#include "support/gluster_volume.h"

namespace sortwell::bench {
namespace {

using Clock = std::chrono::steady_clock;
constexpr int codes = 20;

testing::GlusterVolume& volume() {
  static testing::GlusterVolume shared(3);
  static const bool filled = shared.ready() && (fill_with_records(shared.folder(0), codes), true);
  (void)filled;
  return shared;
}

std::string code_for(std::int64_t i) { return std::to_string(1000000 + i % codes); }

void BM_SharedLookUpBesideBareCalls(benchmark::State& state) {
  if (!volume().ready()) return state.SkipWithError(volume().why_not().c_str());
  Harness harness(volume().folder(0));
  std::int64_t i = 0;
  double ours = 0, bare = 0;
  for (auto _ : state) {
    const auto start = Clock::now();
    harness.look_up(code_for(i));
    const auto middle = Clock::now();
    bare_durable_count(volume().folder(0) + "/" + code_for(i++) + ".cou");
    const auto end = Clock::now();
    ours += std::chrono::duration<double, std::micro>(middle - start).count();
    bare += std::chrono::duration<double, std::micro>(end - middle).count();
  }
  state.counters["lookup_us"] = ours / static_cast<double>(state.iterations());
  state.counters["bare_us"] = bare / static_cast<double>(state.iterations());
  state.counters["x_bare"] = ours / bare;
}
BENCHMARK(BM_SharedLookUpBesideBareCalls)->Iterations(300)->Unit(benchmark::kMicrosecond);

void BM_ThreeStationsSortingTogether(benchmark::State& state) {
  if (!volume().ready()) return state.SkipWithError(volume().why_not().c_str());
  constexpr int scans = 200;
  TempDir home;
  for (auto _ : state) {
    std::vector<std::unique_ptr<testing::PtyProcess>> stations;
    for (int s = 0; s < 3; ++s) {
      stations.push_back(std::make_unique<testing::PtyProcess>(
          SORTWELL_BINARY, testing::sortwell_environment(home.path(), {"SORTWELL_VOICE=none"}), 80,
          std::vector<std::string>{"--data-dir", volume().folder(s)}));
      if (!stations.back()->wait_for("Sortwell: ")) return state.SkipWithError("no prompt");
    }
    std::string keys;
    for (int n = 0; n < scans; ++n) keys += code_for(n) + "\r";
    const auto start = Clock::now();
    {
      std::vector<std::unique_ptr<testing::Typist>> typists;
      for (auto& station : stations) typists.push_back(std::make_unique<testing::Typist>(*station, keys));
      for (auto& station : stations) {
        for (int n = 0; n < scans; ++n) station->wait_for("Sortwell: ", std::chrono::seconds(60));
      }
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    state.SetIterationTime(seconds);
    state.counters["scans_per_second"] = 3 * scans / seconds;
    for (auto& station : stations) station->type("\r");
  }
}
BENCHMARK(BM_ThreeStationsSortingTogether)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace sortwell::bench
