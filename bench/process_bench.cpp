// The built program as a user runs it, in a pseudo-terminal: start-up to
// the first prompt, resident memory after 10,000 coupons, and the CPU it
// uses while it waits at the prompt.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "bench_support.h"
#include "e2e/pty_process.h"
#include "platform/posix/screen_reader.h"
#include "support/speech_server.h"

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

// Median time from start to the prompt in a pseudo-terminal, over `runs`.
double start_up_ms(const std::string& program, const std::string& home, int runs,
                   const std::vector<std::string>& environment = {}) {
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    const auto start = Clock::now();
    testing::PtyProcess process(program, testing::sortwell_environment(home, environment));
    if (!process.wait_for(prompt)) return -1;
    times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

// A private session bus, as a desktop's answers, for the screen-reader
// question start-up asks; ended with this object.
struct SessionBus {
  explicit SessionBus(const TempDir& dir) {
    const std::string file = dir.file("bus");
    pid = fork();
    if (pid == 0) {
      dup2(open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 3);
      dup2(open("/dev/null", O_WRONLY), 2);
      execl("/usr/bin/dbus-daemon", "dbus-daemon", "--session", "--nofork", "--print-address=3", static_cast<char*>(nullptr));
      _exit(127);
    }
    for (int i = 0; i < 200 && address.empty(); ++i, std::this_thread::sleep_for(std::chrono::milliseconds(10))) {
      std::ifstream printed(file);
      std::getline(printed, address);
    }
  }
  ~SessionBus() {
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
  }
  pid_t pid;
  std::string address;
};

// A socket that takes connections and never answers, as a hung bus.
struct HungBus {
  explicit HungBus(const std::string& path) : fd(socket(AF_UNIX, SOCK_STREAM, 0)) {
    sockaddr_un where{};
    where.sun_family = AF_UNIX;
    std::strncpy(where.sun_path, path.c_str(), sizeof where.sun_path - 1);
    benchmark::DoNotOptimize(bind(fd, reinterpret_cast<sockaddr*>(&where), sizeof where));
    listen(fd, 64);
  }
  ~HungBus() { close(fd); }
  int fd;
};

// With no sound device the greeting's utterance is only a failed open of the
// device; with one, its speaking would come before the prompt. The program
// as a user starts it: no voice named, so that it first asks whether a
// screen reader runs (a session bus that answers, without one), then finds
// no speech server. Beside it, measured in the same run: the same where the
// bus never answers, and with the built-in voice named (nothing asked); the
// floors of a program that only prints the prompt, and of one that links
// and initialises the speech engine.
void BM_StartUpToFirstPrompt(benchmark::State& state) {
  TempDir home;
  SessionBus bus(home);
  HungBus hung(home.file("hung"));
  if (bus.address.empty()) return state.SkipWithError("no dbus-daemon");
  const std::vector<std::string> as_a_user = {"SORTWELL_VOICE=", "SPEECHD_ADDRESS=unix_socket:/nonexistent",
                                              "DBUS_SESSION_BUS_ADDRESS=" + bus.address};
  std::vector<std::string> hung_bus = as_a_user;
  hung_bus.back() = "DBUS_SESSION_BUS_ADDRESS=unix:path=" + home.file("hung");
  for (auto _ : state) {
    const double ours = start_up_ms(SORTWELL_BINARY, home.path(), 41, as_a_user);
    const double hung_ms = start_up_ms(SORTWELL_BINARY, home.path(), 41, hung_bus);
    const double named = start_up_ms(SORTWELL_BINARY, home.path(), 41);
    const double trivial = start_up_ms(FLOOR_PROMPT, home.path(), 41);
    const double engine = start_up_ms(FLOOR_ENGINE, home.path(), 41);
    if (ours < 0 || hung_ms < 0 || named < 0 || trivial < 0 || engine < 0) return state.SkipWithError("no prompt");
    state.SetIterationTime(ours / 1000);
    state.counters["hung_bus_ms"] = hung_ms;
    state.counters["voice_named_ms"] = named;
    state.counters["floor_prompt_ms"] = trivial;
    state.counters["floor_engine_ms"] = engine;
    state.counters["x_engine_floor"] = ours / engine;
  }
}
BENCHMARK(BM_StartUpToFirstPrompt)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

// The screen-reader question alone, as start-up asks it: this machine's
// /proc and sysfs, a session bus that answers without a screen reader, and
// BrlAPI's socket.
void BM_ScreenReaderQuestion(benchmark::State& state) {
  TempDir dir;
  SessionBus bus(dir);
  if (bus.address.empty()) return state.SkipWithError("no dbus-daemon");
  ScreenReaderPlaces places = screen_reader_places_from_environment();
  places.session_bus = bus.address;
  for (auto _ : state) benchmark::DoNotOptimize(screen_reader_found(places, screen_reader_wait));
}
BENCHMARK(BM_ScreenReaderQuestion)->Unit(benchmark::kMillisecond);

// The default voice beside silence: where no speech server can be started
// (the fast path), and where one answers but cannot speak (it begins every
// sentence and never ends it, as a server without working sound does).
void BM_StartUpWithTheDefaultVoice(benchmark::State& state) {
  testing::SpeechServer mute("1000");
  if (!mute.ready()) return state.SkipWithError("no speech-dispatcher server");
  TempDir home;
  for (auto _ : state) {
    const double silent = start_up_ms(SORTWELL_BINARY, home.path(), 5, {"SORTWELL_VOICE=none"});
    const double no_server =
        start_up_ms(SORTWELL_BINARY, home.path(), 5, {"SORTWELL_VOICE=", "SPEECHD_ADDRESS=unix_socket:/nonexistent"});
    const double cannot_speak = start_up_ms(SORTWELL_BINARY, home.path(), 5, {"SORTWELL_VOICE=", mute.address()});
    if (silent < 0 || no_server < 0 || cannot_speak < 0) return state.SkipWithError("no prompt");
    state.SetIterationTime(cannot_speak / 1000);
    state.counters["silent_ms"] = silent;
    state.counters["no_server_ms"] = no_server;
    state.counters["cannot_speak_ms"] = cannot_speak;
    state.counters["cannot_speak_over_no_server_ms"] = cannot_speak - no_server;
  }
}
BENCHMARK(BM_StartUpWithTheDefaultVoice)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

// Total system calls of a run with `lookups` known codes typed, counted by strace.
long system_calls(const std::string& home, int lookups, const std::string& voice) {
  const std::string counts = home + "/strace." + std::to_string(lookups);
  testing::PtyProcess process("/usr/bin/strace", testing::sortwell_environment(home, {"SORTWELL_VOICE=" + voice}), 80,
                              {"-f", "-c", "-o", counts, SORTWELL_BINARY});
  process.wait_for(prompt);
  std::string keys;
  for (int i = 0; i < lookups; ++i) keys += std::to_string(1000000 + i % 100) + "\r";
  process.type(keys + "\r");
  process.wait_exit(std::chrono::seconds(60));
  std::ifstream table(counts);
  long total = -1;
  for (std::string line; std::getline(table, line);) {
    if (line.find(" total") != std::string::npos) {
      std::istringstream fields(line);
      std::string percent, seconds, usecs;
      fields >> percent >> seconds >> usecs >> total;
    }
  }
  return total;
}

// A lookup's system calls: its own (the record file in seven: open, fstat,
// lock, read, write and sync of the count, close; a write a screen line),
// and with the built-in voice, which here has no sound device to open.
void BM_SystemCallsPerLookup(benchmark::State& state) {
  if (!std::filesystem::exists("/usr/bin/strace")) return state.SkipWithError("strace is not installed");
  TempDir home;
  const std::string data = home.path() + "/.local/share/sortwell";
  std::filesystem::create_directories(data);
  fill_with_records(data, 100);
  for (auto _ : state) {
    for (const char* voice : {"none", "espeak"}) {
      const long none = system_calls(home.path(), 0, voice);
      const long many = system_calls(home.path(), 500, voice);
      state.counters[std::string("calls_per_lookup_voice_") + voice] = static_cast<double>(many - none) / 500;
    }
  }
}
BENCHMARK(BM_SystemCallsPerLookup)->Iterations(1)->Unit(benchmark::kSecond);

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
