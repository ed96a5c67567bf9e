#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <map>
#include <random>
#include <thread>

#include "e2e/pty_process.h"
#include "records/coupon_record.h"
#include "support/temp_dir.h"

namespace sortwell::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const std::string prompt = "Sortwell: ";

struct Sortwell {
  explicit Sortwell(const std::string& home_dir, const std::vector<std::string>& extra = {})
      : process(SORTWELL_BINARY, sortwell_environment(home_dir, extra)) {}
  PtyProcess process;
};

std::string data_dir(const TempDir& home) { return home.path() + "/.local/share/sortwell"; }

// Every file below `root` that is not a record file in `data`; the sound
// library's own runtime link under ~/.config/pulse is not ours.
std::vector<std::string> stray_files(const std::string& root, const std::string& data) {
  std::vector<std::string> stray;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (entry.is_directory() || entry.path().parent_path() == root + "/.config/pulse") continue;
    if (entry.path().parent_path() != data || entry.path().extension() != ".cou") stray.push_back(entry.path());
  }
  return stray;
}

TEST(Burst, AThousandScannedCodesAreAllCountedNoneLostNoneDoubled) {
  TempDir home;
  std::mt19937 random(4711);
  std::map<std::string, int> scans;
  std::string burst;
  for (int i = 0; i < 1000; ++i) {
    const std::string code = std::to_string(1000 + random() % 60);
    burst += code + "\r";
    // A new code goes through the editor: manufacturer, a bin of one or two
    // digits ended by Enter, then Enter to leave.
    if (scans[code]++ == 0) burst += "1Maker " + code + "\r" "8" + std::to_string(1 + random() % 99) + "\r\r";
  }
  burst += "\r";
  Sortwell run(home.path());
  ASSERT_TRUE(run.process.wait_for(prompt));
  {
    Typist typist(run.process, burst);
    ASSERT_EQ(run.process.wait_exit(120s), 0);
  }
  for (const auto& [code, count] : scans) {
    const std::string image = read_file(data_dir(home) + "/" + code + ".cou");
    ASSERT_EQ(image.size(), record_image_size) << code;
    const CouponRecord record = unpack_record(image);
    EXPECT_EQ(record.quantity, quantity_digits(count)) << code;
    EXPECT_EQ(record.manufacturer, "Maker " + code);
  }
  EXPECT_EQ(stray_files(home.path(), data_dir(home)).size(), 0u);
  EXPECT_EQ(std::distance(fs::directory_iterator(data_dir(home)), {}), static_cast<long>(scans.size()));
}

TEST(Monkey, AMegabyteOfRandomBytesBreaksNothing) {
  TempDir home;
  std::mt19937 random(1234);
  std::string noise(1 << 20, '\0');
  for (char& byte : noise) byte = static_cast<char>(random());
  // Sprinkle in what a terminal sends, so the decoder sees whole sequences too.
  for (std::size_t at = 0; at + 8 < noise.size(); at += 997) noise.replace(at, 4, "\x1b[1;");
  for (std::size_t at = 500; at + 8 < noise.size(); at += 1499) noise.replace(at, 4, "\xe2\x82\xac\r");
  // An empty line quits: a printable key before every Enter keeps the
  // program running through the whole megabyte.
  std::string keys;
  keys.reserve(noise.size() * 2);
  for (char byte : noise) {
    if (byte == '\r' || byte == '\n') keys += 'z';
    keys += byte;
  }
  Sortwell run(home.path());
  ASSERT_TRUE(run.process.wait_for(prompt));
  {
    Typist typist(run.process, keys);
    // Read the screen while the keys go in, then let the program take the
    // keys it still holds.
    while (run.process.wait_exit(1s) < 0 && !typist.done()) {
    }
    run.process.wait_exit(2s);
  }
  ASSERT_TRUE(run.process.running()) << "the random keys ended the program";
  run.process.signal(SIGTERM);
  EXPECT_EQ(run.process.wait_exit(300s), 0);
  EXPECT_TRUE(same_modes(run.process.modes(), run.process.modes_at_start()));
  EXPECT_EQ(stray_files(home.path(), data_dir(home)), std::vector<std::string>{});
  for (const auto& entry : fs::directory_iterator(data_dir(home))) {
    EXPECT_EQ(fs::file_size(entry.path()), record_image_size) << entry.path();
  }
}

TEST(Faults, KilledAtAnyMomentNoRecordIsHalfWritten) {
  TempDir home;
  fs::create_directories(data_dir(home));
  for (int code = 500; code < 540; ++code) {
    CouponRecord record;
    record.code = std::to_string(code);
    record.description = "seed";
    write_file(data_dir(home) + "/" + record.code + ".cou", pack_record(record));
  }
  // Edit mode: every code opens in the editor, which writes a count at
  // once (item 5) and the whole image when it is left. Codes from 600 on are
  // new: created in the editor, and counted there before their first save.
  std::mt19937 random(99);
  std::string session = "e\r";
  for (int i = 0; i < 400; ++i) {
    const std::string code = std::to_string(500 + random() % 40 + (i % 4 == 3 ? 100 : 0));
    session += code + "\r" "5a" "3A long description for " + code + "\r" "5a" "\r" "\r";
  }
  for (int round = 0; round < 8; ++round) {
    Sortwell run(home.path());
    ASSERT_TRUE(run.process.wait_for(prompt));
    Typist typist(run.process, session);
    run.process.wait_exit(std::chrono::milliseconds(20 + random() % 300));
    run.process.signal(SIGKILL);
    EXPECT_EQ(run.process.wait_exit(), 128 + SIGKILL);
  }
  for (const auto& entry : fs::directory_iterator(data_dir(home))) {
    const std::string image = read_file(entry.path());
    // A new record cut short by the kill stays hidden, and whole.
    if (entry.path().filename().string().front() == '.') {
      EXPECT_EQ(image.size(), record_image_size) << entry.path();
      continue;
    }
    ASSERT_EQ(image.size(), record_image_size) << entry.path();
    const CouponRecord record = unpack_record(image);
    const std::string code = entry.path().stem();
    EXPECT_EQ(record.code, code + std::string(40 - code.size(), '\x1f'));
    if (record.description != "seed") {
      EXPECT_EQ(record.description, "A long description for " + code);
    }
    if (record.quantity != std::string(8, '\x1f')) {
      EXPECT_EQ(record.quantity.find_first_not_of("0123456789"), std::string::npos) << record.quantity;
    }
  }
}

TEST(Faults, AnUncreatableDataDirectoryIsToldAndHarmless) {
  TempDir home;
  write_file(home.file("blocker"), "not a directory");
  Sortwell run(home.path(), {"XDG_DATA_HOME=" + home.file("blocker")});
  ASSERT_TRUE(run.process.wait_for("I cannot save coupons: their folder cannot be made or written.\r\n" + prompt));
  run.process.type("4711\r");
  ASSERT_TRUE(run.process.wait_for("I cannot save this coupon.\r\n" + prompt));
  EXPECT_EQ(run.process.output().find("create/edit coupon menu"), std::string::npos);
  run.process.type("\r");
  EXPECT_EQ(run.process.wait_exit(), 0);
  EXPECT_EQ(read_file(home.file("blocker")), "not a directory");
  // Only the sound library's own runtime link (~/.config/pulse) may appear.
  for (const auto& entry : fs::recursive_directory_iterator(home.path())) {
    const std::string path = entry.path();
    EXPECT_TRUE(path == home.file("blocker") || path.rfind(home.file(".config"), 0) == 0) << path;
  }
}

TEST(Faults, ASecondCopyOnTheSameCodeNeitherCorruptsNorCrashes) {
  TempDir home;
  Sortwell first(home.path());
  Sortwell second(home.path());
  ASSERT_TRUE(first.process.wait_for(prompt));
  ASSERT_TRUE(second.process.wait_for(prompt));
  // The first copy holds 777 open in its editor.
  first.process.type("777\r");
  ASSERT_TRUE(first.process.wait_for("create/edit coupon menu, item: 777"));
  // The second cannot open it and says so; its "x" cannot remove it either.
  second.process.type("777\r");
  ASSERT_TRUE(second.process.wait_for("This coupon is open in another Sortwell.\r\n" + prompt));
  second.process.type("x\r");
  ASSERT_TRUE(second.process.wait_for(prompt));
  first.process.type("1Acme\r\r");
  ASSERT_TRUE(first.process.wait_for(prompt));
  // Both go on counting codes of their own.
  first.process.type("100\r\r100\r100\r\r");
  second.process.type("200\r\r200\r\r");
  EXPECT_EQ(first.process.wait_exit(), 0);
  EXPECT_EQ(second.process.wait_exit(), 0);
  const CouponRecord held = unpack_record(read_file(data_dir(home) + "/777.cou"));
  EXPECT_EQ(held.manufacturer, "Acme");
  EXPECT_EQ(held.quantity, "00000001");
  EXPECT_EQ(unpack_record(read_file(data_dir(home) + "/100.cou")).quantity, "00000003");
  EXPECT_EQ(unpack_record(read_file(data_dir(home) + "/200.cou")).quantity, "00000002");
}

}  // namespace
}  // namespace sortwell::testing
