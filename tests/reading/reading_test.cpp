// Reading print: real tesseract on pictures drawn here, real SANE scanners
// (pnm serving a picture; test a blank page, a jam, a slow scan), in the
// dialogue and the built program.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sched.h>
#include <sys/stat.h>
#include <sys/mount.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <thread>

#include "e2e/pty_process.h"
#include "reading/coupon_reader.h"
#include "reading/reading_aloud.h"
#include "records/coupon_record.h"
#include "support/coupon_picture.h"
#include "support/test_program.h"

namespace sortwell {
namespace {

using namespace std::chrono_literals;
using testing::CouponPicture;
using testing::draw_coupon;
using testing::read_file;
using testing::TempDir;
using testing::TestProgram;
using testing::write_file;
using Lines = std::vector<std::string>;

const Lines sudsy = {"SAVE $1.00", "on any ONE Sudsy laundry pods", "Limit one coupon per purchase.", "Expires 03/31/2027"};
bool private_tmp = false;  // set by main: the pnm scanner serves /tmp/input.ppm

#ifndef SORTWELL_HAVE_OCR
#define SKIP_WITHOUT_READING() GTEST_SKIP() << "reading print is not built in (no tesseract or leptonica)"
#else
#define SKIP_WITHOUT_READING()
#endif

// A scanner that hangs until it is cancelled and, where stubborn, let go.
class HungScanner : public Scanner {
 public:
  ScanResult scan(const std::string&, const std::atomic<bool>& cancelled, GrayPage&) override {
    while (!cancelled || stubborn) std::this_thread::sleep_for(2ms);
    return {ScanStatus::cancelled, {}};
  }
  void cancel() override {}
  std::atomic<bool> stubborn{false};
};

// One reader for the suite, its engine loaded once as in a run; let go in main.
const auto suite_scanner = std::make_shared<HungScanner>();
std::unique_ptr<CouponReader> suite_reader;
CouponReader& reader() {
  if (!suite_reader) suite_reader = std::make_unique<CouponReader>(suite_scanner);
  return *suite_reader;
}

Reading read_picture(const std::string& path, const std::string& languages = "eng") {
  ReadOptions options;
  options.languages = languages, options.picture = path;
  return reader().read(options, nullptr);
}

// Each picture read, the largest print first, in any font, on any
// background, any way round; or told why not, with its reason.
TEST(Reading, PicturesAreReadLargestPrintFirstOrToldWhyNot) {
  SKIP_WITHOUT_READING();
  TempDir dir;
  for (int turn : {0, 90, 180, 270}) {
    draw_coupon(testing::sudsy_coupon(turn), dir.file("turned.png"));
    EXPECT_EQ(read_picture(dir.file("turned.png")).lines, sudsy) << turn;
  }
  // The fine print first on the coupon, the largest in the middle, on yellow.
  CouponPicture cereal{{{"Manufacturer coupon. Exp. 3/31/27", 22, "Liberation Sans"},
                        {"FREE", 96, "Liberation Serif", true},
                        {"Crunchy Oats cereal, any size", 40, "DejaVu Sans Mono"}}};
  cereal.background[2] = 0.3;
  draw_coupon(cereal, dir.file("cereal.png"));
  EXPECT_EQ(read_picture(dir.file("cereal.png")).lines, (Lines{"FREE", "Crunchy Oats cereal, any size", "Manufacturer coupon. Exp. 3/31/27"}));
  draw_coupon({}, dir.file("blank.png"));
  write_file(dir.file("empty.png"), "");
  write_file(dir.file("cut.png"), read_file(dir.file("cereal.png")).substr(0, 300));
  write_file(dir.file("notes.png"), "milk, eggs, coupons\n");
  write_file(dir.file("huge.pgm"), "P5\n90000 90000\n255\n");
  const std::pair<const char*, std::string> cases[] = {
      {"empty.png", "I cannot read this picture: it is no picture I know."},
      {"cut.png", "I cannot read this picture: it is damaged or cut short."},
      {"notes.png", "I cannot read this picture: it is no picture I know."},
      {"huge.pgm", "I cannot read this picture: it is too large, 90000 by 90000 pixels."},
      {"missing.png", "I cannot read this picture: there is no such file."},
      {"blank.png", "I find no print in this picture."},
  };
  for (const auto& [file, sentence] : cases) EXPECT_EQ(reading_failure(read_picture(dir.file(file)), false), sentence);
  EXPECT_EQ(reading_failure(read_picture(dir.file("cereal.png"), "eng+xyz"), false),
            "I cannot read print: the language data for xyz is missing or damaged. Install the package tesseract-ocr-xyz.");
}

// A key cuts a scan short at once, though the scanner is slow to stop,
// and is left to be read; the next reading waits for it to stop. A scan
// that outlasts the limit is stopped and told.
TEST(Reading, AKeyOrTheLimitEndsAScanAtOnce) {
  SKIP_WITHOUT_READING();
  TempDir dir;
  draw_coupon({}, dir.file("blank.png"));
  read_picture(dir.file("blank.png"));  // the engine loaded, as after a first reading
  testing::ScriptedKeyboard keyboard("7");
  suite_scanner->stubborn = true;
  const auto began = std::chrono::steady_clock::now();
  EXPECT_EQ(reader().read({}, &keyboard).status, ReadingStatus::cut);
  EXPECT_LT(std::chrono::steady_clock::now() - began, 200ms);  // not held up by the scanner
  suite_scanner->stubborn = false;
  EXPECT_EQ(keyboard.wait_key(), Key::character('7'));
  ReadOptions hasty;
  hasty.limit = 100ms;
  EXPECT_EQ(reading_failure(reader().read(hasty, nullptr), true), "The scanner took more than a minute, so I stopped it.");
}

// Where the platform scans nothing (Windows), the menu's r reads a picture
// file named instead; an expiry already there is kept.
TEST(Reading, WithoutAScannerTheMenusRReadsAPictureFile) {
  SKIP_WITHOUT_READING();
  class NoScanner : public HungScanner {
    bool scans() const override { return false; }
  };
  CouponReader photos(std::make_shared<NoScanner>());
  TempDir dir;
  draw_coupon(testing::sudsy_coupon(), dir.file("photo.png"));
  TestProgram t(dir.file("photo.png") + "\r");
  std::string description = "old", expiry = "1226";
  fill_from_print(t.console, t.voice, {photos, {}}, description, expiry, 120);
  EXPECT_EQ(description, "SAVE $1.00 on any ONE Sudsy laundry pods");
  EXPECT_EQ(expiry, "1226");
  EXPECT_EQ(t.voice.sentences, (Lines{"Reading the coupon.", "Description: SAVE $1.00 on any ONE Sudsy laundry pods."}));
  EXPECT_EQ(t.screen.rows().front(), "picture file: " + dir.file("photo.png"));
}

// The whole path through SANE's pnm scanner, a coupon laid upside down: r
// at the prompt says every line largest first (brief mode the largest, f
// the rest); r in a new coupon's menu fills in its description and expiry,
// which are saved. The prompt's reading touches no record.
TEST(Scanning, TheCouponOnTheScannerIsHeardAndFillsInANewCoupon) {
  SKIP_WITHOUT_READING();
  if (!private_tmp) GTEST_SKIP() << "needs root, for a /tmp of its own where the pnm scanner finds its picture";
  draw_coupon(testing::sudsy_coupon(180), "/tmp/input.ppm");
  for (const bool brief : {false, true}) {
    TestProgram t("r\r");
    std::filesystem::create_directories(std::filesystem::path(t.settings_path).parent_path());
    write_file(t.settings_path, std::string(brief ? "brief = on\n" : "") + "scanner = pnm:0\n");
    t.voice.on_say = [&](const std::string& sentence) {
      if (brief && sentence == sudsy[1]) t.keyboard.type("f\r");
      if (sentence.ends_with(sudsy.back())) t.keyboard.type("4711\r");
      if (sentence.starts_with("I now need you")) t.keyboard.type("r");
      if (sentence.starts_with("Description: ")) t.keyboard.type("\r\r");
    };
    t.run();
    const Lines heard = brief ? Lines{"Reading the coupon.", sudsy[0], sudsy[1], sudsy[2] + " " + sudsy[3]}
                              : Lines{"Reading the coupon.", sudsy[0], sudsy[1], sudsy[2], sudsy[3]};
    const Lines& said = t.voice.sentences;
    ASSERT_GT(said.size(), heard.size());
    EXPECT_EQ(Lines(said.begin() + 1, said.begin() + 1 + heard.size()), heard);
    EXPECT_NE(std::find(said.begin(), said.end(),
                        "Description: SAVE $1.00 on any ONE Sudsy laundry pods. Expiry: 03/27."), said.end());
    const CouponRecord record = unpack_record(read_file(t.record_file("4711")));
    EXPECT_EQ(record.description, "SAVE $1.00 on any ONE Sudsy laundry pods");
    EXPECT_EQ(record.expiry, "03");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(t.data_dir), {}), 1);
  }
}

// The built program: `sortwell read` (settings that make no sense told,
// the defaults read with); SANE's test scanner jammed or giving a blank
// page, and no scanner, told; SIGTERM mid-scan ends it within a second,
// its terminal given back.
TEST(Scanning, TheProgramTellsScannerFailuresAndEndsMidScanOnSigterm) {
  SKIP_WITHOUT_READING();
  TempDir home;
  draw_coupon(testing::sudsy_coupon(), home.file("coupon.png"));
  std::filesystem::create_directories(home.file(".config/sortwell"));
  write_file(home.file(".config/sortwell/settings"), "print language = eng, fra\n");
  testing::PtyProcess reading(SORTWELL_BINARY, testing::sortwell_environment(home.path(), {}), 80,
                              {"read", home.file("coupon.png")});
  EXPECT_EQ(reading.wait_exit(30s), 0);
  EXPECT_NE(reading.output().find("SAVE $1.00\r\non any ONE Sudsy laundry pods\r\n"), std::string::npos) << reading.output();
  EXPECT_NE(reading.output().find("sortwell: Your settings make no sense to me: line 1: print language"), std::string::npos);
  std::filesystem::remove(home.file(".config/sortwell/settings"));
  const struct {
    const char *backends, *conf, *told;  // told null: a slow scan, ended by SIGTERM
  } scanners[] = {
      {"test\n", "read-status-code \"SANE_STATUS_JAMMED\"\n", "The scanner is jammed."},
      {"test\n", "test-picture \"Solid white\"\nmode Gray\n", "I find no print on the scanner. Is the coupon face down on the glass?"},
      {"", "", "I find no scanner."},
      {"test\n", "read-limit true\nread-delay true\nread-delay-duration 200000\n", nullptr}};
  for (const auto& [backends, conf, told] : scanners) {
    write_file(home.file("dll.conf"), backends);
    write_file(home.file("test.conf"), conf);
    testing::PtyProcess program(SORTWELL_BINARY, testing::sortwell_environment(home.path(), {"SORTWELL_VOICE=none",
                                                                                             "SANE_CONFIG_DIR=" + home.path()}));
    ASSERT_TRUE(program.wait_for("Sortwell: "));
    program.type("r\r");
    ASSERT_TRUE(program.wait_for("Reading the coupon."));
    if (told != nullptr) {
      EXPECT_TRUE(program.wait_for(told, 30s)) << program.output();
      program.type("\r");
      EXPECT_EQ(program.wait_exit(10s), 0);
      continue;
    }
    std::this_thread::sleep_for(1s);
    const auto signalled = std::chrono::steady_clock::now();
    program.signal(SIGTERM);
    EXPECT_EQ(program.wait_exit(2s), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - signalled, 1s);
    EXPECT_TRUE(testing::same_modes(program.modes(), program.modes_at_start()));
  }
}

}  // namespace
}  // namespace sortwell

// The suite's own /tmp, where root may make one: no other program's
// /tmp/input.ppm is touched. A run in which tests skipped and none failed
// ends with 77, which ctest shows as skipped.
int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  // A source tree under /tmp stays in sight, bound back into the new /tmp
  // from a descriptor taken in the new namespace before /tmp is covered.
  const std::string binary = SORTWELL_BINARY;
  const std::string tree = binary.starts_with("/tmp/") ? binary.substr(0, binary.find('/', 5)) : "";
  int tree_fd = -1;
  sortwell::private_tmp = geteuid() == 0 && unshare(CLONE_NEWNS) == 0 &&
                          mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
                          (tree.empty() || (tree_fd = open(tree.c_str(), O_PATH | O_CLOEXEC)) >= 0) &&
                          mount("tmpfs", "/tmp", "tmpfs", 0, "size=64m") == 0 &&
                          (tree.empty() || (mkdir(tree.c_str(), 0755) == 0 &&
                                            mount(("/proc/self/fd/" + std::to_string(tree_fd)).c_str(), tree.c_str(),
                                                  nullptr, MS_BIND | MS_REC, nullptr) == 0));
  std::filesystem::create_directories("/tmp/sane");
  sortwell::testing::write_file("/tmp/sane/dll.conf", "pnm\n");
  setenv("SANE_CONFIG_DIR", "/tmp/sane", 1);
  const int status = RUN_ALL_TESTS();
  sortwell::suite_reader.reset();
  return status == 0 && ::testing::UnitTest::GetInstance()->skipped_test_count() > 0 ? 77 : status;
}
