// `sortwell report` and `sortwell export` over 100,000 record files, against
// a bare loop that only lists, opens and reads the same files.
#include <benchmark/benchmark.h>
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <functional>

#include "bench_support.h"
#include "collection/collection_command.h"

namespace sortwell::bench {
namespace {

constexpr int files = 100000;
using Clock = std::chrono::steady_clock;

// Lists, opens and reads every file once, as fast as the system allows.
void bare_pass(const std::string& dir) {
  char image[276];
  DIR* directory = opendir(dir.c_str());
  while (const dirent* entry = readdir(directory)) {
    const int fd = openat(dirfd(directory), entry->d_name, O_RDONLY | O_CLOEXEC);
    if (fd < 0) continue;
    benchmark::DoNotOptimize(pread(fd, image, sizeof image, 0));
    close(fd);
  }
  closedir(directory);
}

double seconds_of(const std::function<void()>& work) {
  const auto start = Clock::now();
  work();
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// The command, and its time as a multiple of a bare pass measured beside it.
void run(benchmark::State& state, const char* command) {
  const std::string& dir = data_dir_with(files);
  std::FILE* sink = std::fopen("/dev/null", "w");
  double ours = 0, bare = 0;
  for (auto _ : state) {
    ours += seconds_of([&] { benchmark::DoNotOptimize(run_collection_command(command, {}, dir, {2026, 12, 8}, sink, sink)); });
    state.PauseTiming();
    bare += seconds_of([&] { bare_pass(dir); });
    state.ResumeTiming();
  }
  std::fclose(sink);
  state.counters["x_bare"] = ours / bare;
  state.SetItemsProcessed(state.iterations() * files);
}

void BM_ReportOfAHundredThousandFiles(benchmark::State& state) { run(state, "report"); }
BENCHMARK(BM_ReportOfAHundredThousandFiles)->Unit(benchmark::kMillisecond);

void BM_ExportOfAHundredThousandFiles(benchmark::State& state) { run(state, "export"); }
BENCHMARK(BM_ExportOfAHundredThousandFiles)->Unit(benchmark::kMillisecond);

// The workbook beside the CSV of the same folder: goal within 3x, under 5 s.
void BM_XlsxExportOfAHundredThousandFiles(benchmark::State& state) {
  const std::string& dir = data_dir_with(files);
  TempDir out;
  const std::string book = out.file("coupons.xlsx");
  std::FILE* sink = std::fopen("/dev/null", "w");
  double workbook = 0, csv = 0;
  for (auto _ : state) {
    workbook += seconds_of([&] { run_collection_command("export", {"--xlsx", book}, dir, {2026, 12, 8}, sink, sink); });
    state.PauseTiming();
    csv += seconds_of([&] { run_collection_command("export", {}, dir, {2026, 12, 8}, sink, sink); });
    state.ResumeTiming();
  }
  std::fclose(sink);
  state.counters["x_csv"] = workbook / csv;
  state.counters["seconds"] = workbook / static_cast<double>(state.iterations());
}
BENCHMARK(BM_XlsxExportOfAHundredThousandFiles)->Iterations(2)->Unit(benchmark::kMillisecond);

void BM_BareListOpenReadOfAHundredThousandFiles(benchmark::State& state) {
  const std::string& dir = data_dir_with(files);
  for (auto _ : state) bare_pass(dir);
  state.SetItemsProcessed(state.iterations() * files);
}
BENCHMARK(BM_BareListOpenReadOfAHundredThousandFiles)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace sortwell::bench
