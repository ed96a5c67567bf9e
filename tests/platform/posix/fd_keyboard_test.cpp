#include "platform/posix/fd_keyboard.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <thread>
#include <vector>

namespace sortwell {
namespace {

struct Pipe {
  Pipe() { EXPECT_EQ(pipe2(fds, O_CLOEXEC), 0); }
  ~Pipe() {
    close_writer();
    close(fds[0]);
  }
  void send(std::string_view bytes) { ASSERT_EQ(write(fds[1], bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size())); }
  void close_writer() {
    if (fds[1] >= 0) close(fds[1]);
    fds[1] = -1;
  }
  int fds[2] = {-1, -1};
};

TEST(FdKeyboard, ReadsTypedAheadKeysInOrder) {
  Pipe input;
  input.send("ab\x1b[Ac\r");
  FdKeyboard keyboard(input.fds[0]);
  EXPECT_EQ(keyboard.wait_key(), Key::character('a'));
  EXPECT_EQ(keyboard.wait_key(), Key::character('b'));
  EXPECT_EQ(keyboard.wait_key(), Key::special(72));
  EXPECT_EQ(keyboard.wait_key(), Key::character('c'));
  EXPECT_EQ(keyboard.wait_key(), Key::character(13));
}

TEST(FdKeyboard, ALoneEscapeArrivesAfterAShortWait) {
  Pipe input;
  input.send("\x1b");
  FdKeyboard keyboard(input.fds[0]);
  EXPECT_EQ(keyboard.wait_key(), Key::character(27));
}

TEST(FdKeyboard, ASequenceSplitAcrossWritesIsOneKey) {
  Pipe input;
  input.send("\x1b[");
  std::thread rest([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    input.send("B");
  });
  FdKeyboard keyboard(input.fds[0]);
  EXPECT_EQ(keyboard.wait_key(), Key::special(80));
  rest.join();
}

TEST(FdKeyboard, AtTheEndOfInputEveryKeyIsEnter) {
  Pipe input;
  input.send("7\x1b");
  input.close_writer();
  FdKeyboard keyboard(input.fds[0]);
  EXPECT_EQ(keyboard.wait_key(), Key::character('7'));
  EXPECT_EQ(keyboard.wait_key(), Key::character(27));
  EXPECT_EQ(keyboard.wait_key(), Key::character(13));
  EXPECT_EQ(keyboard.wait_key(), Key::character(13));
}

TEST(FdKeyboard, AWakeByteEndsTheKeyboard) {
  Pipe input;
  Pipe wake;
  wake.send("x");
  FdKeyboard keyboard(input.fds[0], wake.fds[0]);
  EXPECT_EQ(keyboard.wait_key(), Key::character(13));
  EXPECT_EQ(keyboard.wait_key(), Key::character(13));
}

// A continue signal before every wait must not keep the keys from being
// read: each wait takes what is typed as well as the wake bytes.
TEST(FdKeyboard, ContinueBytesBeforeEveryWaitStillLetTheKeysThrough) {
  Pipe input;
  Pipe wake;
  input.send("7\r");
  FdKeyboard keyboard(input.fds[0], wake.fds[0]);
  std::vector<Key> keys;
  for (int i = 0; i < 6 && keys.size() < 2; ++i) {
    wake.send("\x02");
    const Key key = keyboard.wait_key();
    if (key != keys::resumed) keys.push_back(key);
  }
  EXPECT_EQ(keys, (std::vector<Key>{Key::character('7'), Key::character(13)}));
}

}  // namespace
}  // namespace sortwell
