#include "platform/posix/speechd_library.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <type_traits>
#include <utility>
#include <vector>

#include "platform/posix/library_function.h"

namespace sortwell {
namespace {

// Never closed while the library's thread may still deliver to it.
std::atomic<int> event_fd{-1};

// The library's callbacks carry no context: each connection gets a callback
// of its own among a few, whose slot holds the connection's number, so that
// its events are tied to it, as its answers are, after a newer one opened.
// A slot serves again only after `slots` newer connections.
constexpr int slots = 8;
std::atomic<int> slot_connection[slots];

template <int Slot>
void on_event(std::size_t message, std::size_t, SPDNotificationType type) {
  const int fd = event_fd.load();
  if (fd < 0) return;
  const SpeechdEvent::Kind kind = type == SPD_EVENT_BEGIN    ? SpeechdEvent::begun
                                  : type == SPD_EVENT_CANCEL ? SpeechdEvent::cancelled
                                                             : SpeechdEvent::ended;
  post(fd, {kind, static_cast<int>(message), slot_connection[Slot].load()});
}

template <int... Slot>
constexpr std::array<SPDCallback, slots> callbacks_of(std::integer_sequence<int, Slot...>) {
  return {on_event<Slot>...};
}
constexpr std::array<SPDCallback, slots> callbacks = callbacks_of(std::make_integer_sequence<int, slots>());

}  // namespace

const SpeechdLibrary* SpeechdLibrary::load() {
  static const SpeechdLibrary library = [] {
    SpeechdLibrary l;
    void* handle = dlopen("libspeechd.so.2", RTLD_NOW | RTLD_LOCAL);
    const auto find = [handle](auto& function, const char* name) { return find_function(handle, function, name); };
    const bool whole = find(l.open, "spd_open2") && find(l.notify, "spd_set_notification_on") &&
                       find(l.set_data_mode, "spd_set_data_mode") && find(l.say, "spd_say") &&
                       find(l.cancel, "spd_cancel") && find(l.close, "spd_close") &&
                       find(l.set_rate, "spd_set_voice_rate") && find(l.get_rate, "spd_get_voice_rate") &&
                       find(l.default_address, "spd_get_default_address") &&
                       find(l.free_address, "SPDConnectionAddress__free");
    if (!whole) l.open = nullptr;
    return l;
  }();
  return library.open != nullptr ? &library : nullptr;
}

SPDConnection* open_connection(const SpeechdLibrary& spd, bool autospawn, int events_fd, int number) {
  event_fd = events_fd;
  char* error = nullptr;
  SPDConnection* connection = spd.open("sortwell", "main", nullptr, SPD_MODE_THREADED, nullptr, autospawn, &error);
  std::free(error);
  if (connection == nullptr) return nullptr;
  const int slot = number % slots;
  slot_connection[slot] = number;
  connection->callback_begin = callbacks[slot];
  connection->callback_end = callbacks[slot];
  connection->callback_cancel = callbacks[slot];
  const bool ready = spd.notify(connection, SPD_BEGIN) == 0 && spd.notify(connection, SPD_END) == 0 &&
                     spd.notify(connection, SPD_CANCEL) == 0 && spd.set_data_mode(connection, SPD_DATA_TEXT) == 0;
  if (ready) return connection;
  spd.close(connection);
  return nullptr;
}

OpenedConnection prove(const SpeechdLibrary& spd, SPDConnection* connection, int events_fd, int number, int steps) {
  OpenedConnection opened;
  opened.connection = connection;
  opened.socket = connection != nullptr ? fcntl(connection->socket, F_DUPFD_CLOEXEC, 3) : -1;
  // The rate the user configured, which the steps go on from.
  opened.configured_rate = connection != nullptr ? std::clamp(spd.get_rate(connection), -100, 100) : 0;
  if (connection != nullptr && steps != 0) spd.set_rate(connection, server_rate(opened.configured_rate, steps));
  post(events_fd, {SpeechdEvent::configured_rate, opened.configured_rate, number});
  post(events_fd, {SpeechdEvent::connected, connection != nullptr ? 1 : 0, number});
  // The proof: a blank the server must begin and end.
  if (connection != nullptr) post(events_fd, {SpeechdEvent::queued, spd.say(connection, SPD_TEXT, " "), number});
  return opened;
}

void let_go(const SpeechdLibrary& spd, SPDConnection* connection, bool broken) {
  if (connection != nullptr && !broken) {
    // Cancelled first: a server holding sentences it cannot play never
    // becomes idle, and one the library started ends only when idle.
    spd.cancel(connection);
    spd.close(connection);
    return;
  }
  // Its server broke: the library's own thread closes its socket when it
  // sees the break, and a second close could hit a descriptor reused
  // meanwhile. It is kept, not lost, for the process.
  static auto* const kept = new std::vector<SPDConnection*>;
  if (connection != nullptr) kept->push_back(connection);
}

bool server_listens(const SpeechdLibrary& spd) {
  char* error = nullptr;
  SPDConnectionAddress* address = spd.default_address(&error);
  std::free(error);
  if (address == nullptr) return false;
  bool listens = address->method != SPD_METHOD_UNIX_SOCKET;
  sockaddr_un where{};
  where.sun_family = AF_UNIX;
  if (!listens && address->unix_socket_name != nullptr && std::strlen(address->unix_socket_name) < sizeof where.sun_path) {
    std::strcpy(where.sun_path, address->unix_socket_name);
    const int probe = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    listens = probe >= 0 && connect(probe, reinterpret_cast<sockaddr*>(&where), sizeof where) == 0;
    if (probe >= 0) ::close(probe);
  }
  spd.free_address(address);
  return listens;
}

void post(int fd, SpeechdEvent event) {
  // A pipe write this small is atomic.
  [[maybe_unused]] const ssize_t ignored = write(fd, &event, sizeof event);
}

}  // namespace sortwell
