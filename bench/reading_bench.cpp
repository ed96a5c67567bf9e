// Reading a photo of a coupon: `sortwell read` beside tesseract's own
// command-line program on the same 300 dpi picture, orientation detection
// included in both (--psm 1), each a process from start to end.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <vector>

#include "bench_support.h"
#include "support/coupon_picture.h"

extern char** environ;

namespace sortwell::bench {
namespace {

// Median wall time of `runs` runs of the program, its output dropped; -1
// where one fails.
double run_ms(std::vector<std::string> arguments, int runs) {
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t quiet;
  posix_spawn_file_actions_init(&quiet);
  posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = -1;
    int status = 0;
    if (posix_spawn(&pid, argv[0], &quiet, nullptr, argv.data(), environ) != 0 || waitpid(pid, &status, 0) != pid ||
        !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      times.assign(1, -1);
      break;
    }
    times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
  }
  posix_spawn_file_actions_destroy(&quiet);
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

void BM_ReadACouponPicture(benchmark::State& state) {
  if (!std::filesystem::exists("/usr/bin/tesseract")) return state.SkipWithError("tesseract-ocr is not installed");
  TempDir dir;
  // A coupon of 6 by 2.5 inches at 300 dpi.
  testing::CouponPicture coupon = testing::sudsy_coupon();
  coupon.width = 1800;
  coupon.height = 750;
  for (auto& line : coupon.lines) line.size *= 2;
  const std::string picture = dir.file("coupon.png");
  testing::draw_coupon(coupon, picture);
  for (auto _ : state) {
    const double ours = run_ms({SORTWELL_BINARY, "read", picture}, 7);
    const double floor = run_ms({"/usr/bin/tesseract", picture, "-", "--psm", "1"}, 7);
    if (ours < 0 || floor < 0) return state.SkipWithError("a reading failed");
    state.SetIterationTime(ours / 1000);
    state.counters["floor_tesseract_ms"] = floor;
    state.counters["x_tesseract"] = ours / floor;
  }
}
BENCHMARK(BM_ReadACouponPicture)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace sortwell::bench
