#include "platform/posix/speechd_voice.h"

#include <dlfcn.h>
#include <libspeechd.h>
#include <poll.h>

#include <condition_variable>
#include <mutex>
#include <set>
#include <thread>

#include "common/code_page.h"
#include "platform/posix/quiet_stderr.h"

namespace sortwell {

// What the voice and the library's notification thread share. The calls
// that could hang on a server that stopped answering run on threads of their
// own, which may outlive the voice; so they hold the channel, not the voice.
struct SpeechdVoice::Channel {
  std::mutex mutex;
  std::condition_variable changed;
  SPDConnection* connection = nullptr;
  bool connect_done = false;
  bool dead = false;
  bool unanswered = false;  // dead because it stopped answering, not because it went away
  std::set<std::size_t> finished;  // message ids that ended or were cancelled
};

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// The client library, loaded when first needed: without it (or without a
// server) the program still runs, with its built-in voice.
struct Library {
  decltype(&spd_open2) open = nullptr;
  decltype(&spd_set_notification_on) notify = nullptr;
  decltype(&spd_set_data_mode) set_data_mode = nullptr;
  decltype(&spd_say) say = nullptr;
  decltype(&spd_close) close = nullptr;

  static const Library* load() {
    static const Library library = [] {
      Library l;
      void* handle = dlopen("libspeechd.so.2", RTLD_NOW | RTLD_LOCAL);
      if (handle == nullptr) return l;
      l.open = reinterpret_cast<decltype(&spd_open2)>(dlsym(handle, "spd_open2"));
      l.notify = reinterpret_cast<decltype(&spd_set_notification_on)>(dlsym(handle, "spd_set_notification_on"));
      l.set_data_mode = reinterpret_cast<decltype(&spd_set_data_mode)>(dlsym(handle, "spd_set_data_mode"));
      l.say = reinterpret_cast<decltype(&spd_say)>(dlsym(handle, "spd_say"));
      l.close = reinterpret_cast<decltype(&spd_close)>(dlsym(handle, "spd_close"));
      return l;
    }();
    const bool complete = library.open && library.notify && library.set_data_mode && library.say && library.close;
    return complete ? &library : nullptr;
  }
};

// The notifications carry no context: the one channel of the process, set
// and read from different threads.
std::mutex notified_mutex;
std::shared_ptr<SpeechdVoice::Channel> notified;

void notify_to(std::shared_ptr<SpeechdVoice::Channel> channel) {
  std::lock_guard lock(notified_mutex);
  notified = std::move(channel);
}

void on_finished(std::size_t message, std::size_t, SPDNotificationType) {
  std::shared_ptr<SpeechdVoice::Channel> channel;
  {
    std::lock_guard lock(notified_mutex);
    channel = notified;
  }
  if (!channel) return;
  std::lock_guard lock(channel->mutex);
  channel->finished.insert(message);
  channel->changed.notify_all();
}

// Whether the server closed the connection.
bool hung_up(SPDConnection* connection) {
  pollfd fd{connection->socket, POLLRDHUP, 0};
  return poll(&fd, 1, 0) > 0 && (fd.revents & (POLLRDHUP | POLLHUP | POLLERR | POLLNVAL)) != 0;
}

// Time past which a sentence is taken as lost: a slow voice reads about ten
// characters a second.
Clock::duration longest_wait(std::size_t characters) { return 3s + characters * 100ms; }

}  // namespace

std::unique_ptr<SpeechdVoice> SpeechdVoice::connect(std::chrono::milliseconds wait, Fallback fallback) {
  const Library* spd = Library::load();
  if (spd == nullptr) return nullptr;
  auto channel = std::make_shared<Channel>();
  std::thread([channel, spd] {
    SPDConnection* connection = nullptr;
    {
      // The server the library starts inherits standard error: not the screen.
      StandardErrorSilenced quiet;
      char* error = nullptr;
      connection = spd->open("sortwell", "main", nullptr, SPD_MODE_THREADED, nullptr, 1, &error);
      free(error);
      if (connection != nullptr) {
        connection->callback_end = on_finished;
        connection->callback_cancel = on_finished;
        const bool ready = spd->notify(connection, SPD_END) == 0 && spd->notify(connection, SPD_CANCEL) == 0 &&
                           spd->set_data_mode(connection, SPD_DATA_TEXT) == 0;
        if (!ready) {
          spd->close(connection);
          connection = nullptr;
        }
      }
    }
    std::unique_lock lock(channel->mutex);
    if (channel->dead && connection != nullptr) {
      // Given up on meanwhile: the program speaks with its own voice now.
      lock.unlock();
      StandardErrorSilenced quiet;
      spd->close(connection);
      return;
    }
    channel->connection = connection;
    channel->connect_done = true;
    channel->changed.notify_all();
  }).detach();

  std::unique_lock lock(channel->mutex);
  if (!channel->changed.wait_for(lock, wait, [&] { return channel->connect_done; }) || !channel->connection) {
    // Too slow or refused: whatever the thread still makes is closed by it later.
    channel->dead = true;
    return nullptr;
  }
  notify_to(channel);
  return std::unique_ptr<SpeechdVoice>(new SpeechdVoice(std::move(channel), std::move(fallback)));
}

SpeechdVoice::SpeechdVoice(std::shared_ptr<Channel> channel, Fallback fallback)
    : channel_(std::move(channel)), make_fallback_(std::move(fallback)) {}

SpeechdVoice::~SpeechdVoice() {
  notify_to(nullptr);
  std::unique_lock lock(channel_->mutex);
  // A connection to a server that stopped answering is left alone: closing
  // it could wait for that server forever. One that went away closes at once.
  if (!channel_->unanswered && channel_->connection != nullptr) {
    SPDConnection* connection = channel_->connection;
    channel_->connection = nullptr;
    lock.unlock();
    StandardErrorSilenced quiet;
    Library::load()->close(connection);
  }
}

std::unique_ptr<Voice>& SpeechdVoice::fallback() {
  if (!fallback_ && make_fallback_) fallback_ = make_fallback_();
  return fallback_;
}

void SpeechdVoice::say(std::string_view sentence) {
  if (sentence.empty()) return;
  Channel& channel = *channel_;
  {
    std::lock_guard lock(channel.mutex);
    if (channel.dead) {
      if (auto& voice = fallback()) voice->say(sentence);
      return;
    }
  }
  const std::string text = CodePage::ansi().to_utf8(sentence);
  // The message id, once the server has queued the sentence; -1 when it refused.
  auto queued = std::make_shared<int>(0);
  std::thread([channel = channel_, queued, text] {
    StandardErrorSilenced quiet;
    const int id = Library::load()->say(channel->connection, SPD_TEXT, text.c_str());
    std::lock_guard lock(channel->mutex);
    *queued = id < 0 ? -1 : id;
    channel->changed.notify_all();
  }).detach();

  const Clock::time_point give_up = Clock::now() + longest_wait(text.size());
  std::unique_lock lock(channel.mutex);
  for (;;) {
    if (*queued > 0 && channel.finished.erase(static_cast<std::size_t>(*queued)) > 0) return;
    if (*queued < 0 || hung_up(channel.connection)) break;
    if (Clock::now() >= give_up) {
      channel.unanswered = true;
      break;
    }
    // Woken by the notification; the slices only look for a server gone.
    channel.changed.wait_for(lock, 100ms);
  }
  channel.dead = true;
  lock.unlock();
  // Lost with the server: heard again, whole, from the fallback.
  if (auto& voice = fallback()) voice->say(sentence);
}

}  // namespace sortwell
