// The built program as a user runs it, in a pseudo-terminal: start-up to
// the first prompt, resident memory after 10,000 coupons, and the CPU it
// uses while it waits at the prompt.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "bench_support.h"
#include "e2e/pty_process.h"

namespace sortwell::bench {
namespace {

using Clock = std::chrono::steady_clock;
const std::string prompt = "Sortwell: ";

// A field of /proc/<pid>/status, in kB.
long status_kb(pid_t pid, const std::string& field) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind(field + ":", 0) == 0) return std::stol(line.substr(field.size() + 1));
  }
  return -1;
}

// User plus system clock ticks of a process.
long cpu_ticks(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string content((std::istreambuf_iterator<char>(stat)), {});
  std::istringstream fields(content.substr(content.rfind(')') + 2));
  std::string skip;
  for (int i = 3; i < 14; ++i) fields >> skip;
  long user = 0, system = 0;
  fields >> user >> system;
  return user + system;
}

// With no sound device the greeting's utterance is only a failed open of the
// device; with one, its speaking would come before the prompt.
void BM_StartUpToFirstPrompt(benchmark::State& state) {
  TempDir home;
  for (auto _ : state) {
    const auto start = Clock::now();
    testing::PtyProcess process(SORTWELL_BINARY, testing::sortwell_environment(home.path()));
    if (!process.wait_for(prompt)) state.SkipWithError("no prompt");
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
  }
}
BENCHMARK(BM_StartUpToFirstPrompt)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);

void BM_MemoryAfterTenThousandCoupons(benchmark::State& state) {
  TempDir home;
  const std::string data = home.path() + "/.local/share/sortwell";
  std::filesystem::create_directories(data);
  fill_with_records(data, 100);
  for (auto _ : state) {
    testing::PtyProcess process(SORTWELL_BINARY, testing::sortwell_environment(home.path()));
    process.wait_for(prompt);
    state.counters["rss_at_start_kB"] = static_cast<double>(status_kb(process.pid(), "VmRSS"));
    for (int i = 0; i < 10000; ++i) {
      process.type(std::to_string(1000000 + i % 100) + "\r");
      if (!process.wait_for(prompt)) state.SkipWithError("no prompt");
    }
    state.counters["rss_kB"] = static_cast<double>(status_kb(process.pid(), "VmRSS"));
    state.counters["peak_rss_kB"] = static_cast<double>(status_kb(process.pid(), "VmHWM"));
    state.counters["own_rss_kB"] = static_cast<double>(status_kb(process.pid(), "RssAnon"));
  }
}
BENCHMARK(BM_MemoryAfterTenThousandCoupons)->Iterations(1)->Unit(benchmark::kSecond);

void BM_IdleAtThePromptFiveSeconds(benchmark::State& state) {
  TempDir home;
  for (auto _ : state) {
    testing::PtyProcess process(SORTWELL_BINARY, testing::sortwell_environment(home.path()));
    process.wait_for(prompt);
    const long before = cpu_ticks(process.pid());
    std::this_thread::sleep_for(std::chrono::seconds(5));
    state.counters["cpu_ticks"] = static_cast<double>(cpu_ticks(process.pid()) - before);
  }
}
BENCHMARK(BM_IdleAtThePromptFiveSeconds)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
}  // namespace sortwell::bench
