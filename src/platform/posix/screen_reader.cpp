#include "platform/posix/screen_reader.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "platform/posix/socket_within.h"
#include "platform/screen_reader.h"

namespace sortwell {
namespace {

using Clock = SocketClock;

// At most `most` bytes of a small file, such as a sysfs or /proc entry,
// `path` taken from the folder `at`; empty when it cannot be read.
std::string small_file(const std::string& path, int at = AT_FDCWD, std::size_t most = 256) {
  const int fd = openat(at, path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return {};
  std::string text(most, '\0');
  const ssize_t got = read(fd, text.data(), most);
  close(fd);
  text.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
  return text;
}

std::string first_word(const std::string& text) {
  const auto start = text.find_first_not_of(" \t\n");
  if (start == std::string::npos) return {};
  return text.substr(start, text.find_first_of(" \t\n", start) - start);
}

bool names_orca(std::string_view path) {
  const auto slash = path.rfind('/');
  return (slash == std::string_view::npos ? path : path.substr(slash + 1)) == "orca";
}

struct BusAnswer {
  bool arrived = false;
  bool enabled = false;
};

int on_answer(sd_bus_message* reply, void* answer_pointer, sd_bus_error*) {
  auto& answer = *static_cast<BusAnswer*>(answer_pointer);
  answer.arrived = true;
  int enabled = 0;
  // An error (no AT-SPI on this bus) says no.
  answer.enabled = !sd_bus_message_is_method_error(reply, nullptr) &&
                   sd_bus_message_read(reply, "v", "b", &enabled) >= 0 && enabled != 0;
  return 0;
}

struct BusClose {
  void operator()(sd_bus* bus) const { sd_bus_close_unref(bus); }
};

}  // namespace

ScreenReaderPlaces screen_reader_places_from_environment() {
  ScreenReaderPlaces places;
  places.user = getuid();
  const char* bus = std::getenv("DBUS_SESSION_BUS_ADDRESS");
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  // A bus over the network is not asked: its host's name alone may take seconds to look up.
  if (bus != nullptr && *bus != '\0') places.session_bus = std::strstr(bus, "tcp:") != nullptr ? "" : bus;
  else if (runtime != nullptr && *runtime == '/') places.session_bus = std::string("unix:path=") + runtime + "/bus";
  const char* host = std::getenv("BRLAPI_HOST");
  const std::string_view local = host == nullptr || *host == '\0' ? ":0" : host;
  if (local.size() > 1 && local.front() == ':' && local.find_first_not_of("0123456789", 1) == std::string_view::npos) {
    places.brlapi_socket = "/var/lib/BrlAPI/" + std::string(local.substr(1));
  }
  return places;
}

bool screen_reader_found(const ScreenReaderPlaces& places, std::chrono::milliseconds wait) {
  return speakup_speaking(places.speakup) || brlapi_answers(places.brlapi_socket, wait) ||
         orca_running(places.proc, places.user, wait) || atspi_screen_reader_enabled(places.session_bus, wait);
}

bool screen_reader_running() { return screen_reader_found(screen_reader_places_from_environment(), screen_reader_wait); }

bool speakup_speaking(const std::string& speakup) {
  const std::string synth = first_word(small_file(speakup + "/synth"));
  return !synth.empty() && synth != "none";
}

bool orca_running(const std::string& proc, uid_t user, std::chrono::milliseconds wait) {
  const auto deadline = Clock::now() + wait;
  const std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(proc.c_str()), closedir);
  if (!dir) return false;
  const int at = dirfd(dir.get());
  while (const dirent* entry = readdir(dir.get())) {
    if (Clock::now() >= deadline) return false;
    const std::string pid = entry->d_name;
    struct stat owner {};
    if (pid.find_first_not_of("0123456789") != std::string::npos || fstatat(at, pid.c_str(), &owner, 0) != 0 ||
        owner.st_uid != user) {
      continue;
    }
    // A script's process is named after the script; "python3 /usr/bin/orca" after its interpreter.
    const std::string name = first_word(small_file(pid + "/comm", at));
    if (name == "orca") return true;
    if (!name.starts_with("python")) continue;
    const std::string command = small_file(pid + "/cmdline", at, 4096);
    const std::string_view interpreter(command.c_str());
    if (names_orca(interpreter)) return true;
    if (interpreter.size() < command.size() && names_orca(command.c_str() + interpreter.size() + 1)) return true;
  }
  return false;
}

bool atspi_screen_reader_enabled(const std::string& address, std::chrono::milliseconds wait) {
  if (address.empty()) return false;
  const auto deadline = Clock::now() + wait;
  sd_bus* opened = nullptr;
  if (sd_bus_new(&opened) < 0) return false;
  const std::unique_ptr<sd_bus, BusClose> bus(opened);
  if (sd_bus_set_address(opened, address.c_str()) < 0 || sd_bus_set_bus_client(opened, 1) < 0 || sd_bus_start(opened) < 0) {
    return false;
  }
  sd_bus_message* call = nullptr;
  if (sd_bus_message_new_method_call(opened, &call, "org.a11y.Bus", "/org/a11y/bus", "org.freedesktop.DBus.Properties",
                                     "Get") < 0) {
    return false;
  }
  const std::unique_ptr<sd_bus_message, sd_bus_message* (*)(sd_bus_message*)> held(call, sd_bus_message_unref);
  BusAnswer answer;
  const auto usec = static_cast<std::uint64_t>(std::chrono::microseconds(wait).count());
  // The call, queued while the connection is still authenticating, is
  // answered or given up by our own deadline: sd-bus's blocking calls wait
  // 25 s for a bus that accepts and says nothing.
  if (sd_bus_message_append(call, "ss", "org.a11y.Status", "ScreenReaderEnabled") < 0 ||
      sd_bus_message_set_auto_start(call, 0) < 0 || sd_bus_call_async(opened, nullptr, call, on_answer, &answer, usec) < 0) {
    return false;
  }
  while (!answer.arrived) {
    const int processed = sd_bus_process(opened, nullptr);
    if (processed < 0) return false;
    if (processed > 0) continue;
    const int left = milliseconds_left(deadline);
    if (left == 0 || sd_bus_wait(opened, static_cast<std::uint64_t>(left) * 1000) < 0) return false;
  }
  return answer.enabled;
}

bool brlapi_answers(const std::string& socket_path, std::chrono::milliseconds wait) {
  const auto deadline = Clock::now() + wait;
  const int fd = connect_unix_within(socket_path, deadline);
  if (fd < 0) return false;
  // The server speaks first: a packet header (size, type; network order) of type 'v'.
  std::uint32_t header[2] = {0, 0};
  const bool answered = read_within(fd, header, sizeof header, deadline);
  close(fd);
  return answered && ntohl(header[1]) == 'v';
}

}  // namespace sortwell
