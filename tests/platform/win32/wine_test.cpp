// sortwell.exe, cross-built by `make windows`, run under wine in a
// pseudo-terminal with a private prefix, as the Linux end-to-end tests run
// the Linux program.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <tuple>

#include "e2e/pty_process.h"
#include "records/coupon_record.h"
#include "support/libreoffice.h"
#include "support/temp_dir.h"

namespace sortwell::testing {
namespace {

using namespace std::chrono_literals;

constexpr const char* wine = "/usr/lib/wine/wine64";

std::string windows_program() {
  const char* given = std::getenv("SORTWELL_WINDOWS_EXE");
  return given != nullptr ? given : SORTWELL_SOURCE_DIR "/build-windows/sortwell.exe";
}

// What is missing to run sortwell.exe here, for a test to skip with; nullptr
// when nothing is.
const char* missing_for_the_exe() {
  if (!std::filesystem::exists(wine)) return "wine64 is not installed";
  if (!std::filesystem::exists(windows_program())) return "no sortwell.exe: run make windows";
  return nullptr;
}

// Waits for the first prompt; a failure tells whether wine still runs.
::testing::AssertionResult prompted(PtyProcess& run) {
  if (run.wait_for("Sortwell:", 60s)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << (run.running() ? "wine still runs" : "wine has ended") << ", having written\n"
                                       << run.output();
}

// A wine prefix of its own, for one test.
// `extra`: more of the environment, such as the locale.
struct Wine {
  // The prefix is made here, apart from the program under test: CI once saw
  // a program's start in a fresh prefix write nothing for a minute. A start
  // that fails or stalls is tried again in a prefix made anew.
  explicit Wine(std::vector<std::string> extra = {}) : prefix(home.path() + "/prefix"), extra(std::move(extra)) {
    for (int attempt = 1; run("cmd /c exit").first != 0; ++attempt) {
      if (attempt == 3) {
        ADD_FAILURE() << "wine cannot make a prefix";
        break;
      }
      run_server("-k");
      std::filesystem::remove_all(prefix);
    }
  }
  std::vector<std::string> environment() const {
    std::vector<std::string> all = {"WINEPREFIX=" + prefix, "WINEDEBUG=-all", "DISPLAY="};
    all.insert(all.end(), extra.begin(), extra.end());
    return sortwell_environment(home.path(), all);
  }
  std::string record(const std::string& code) const { return read_file(prefix + "/drive_c/sortwell/" + code + ".cou"); }
  // A command line under wine, its output to a file: the exit status and
  // what it wrote on standard output and then standard error (or, given
  // `error`, standard error there).
  std::pair<int, std::string> run(const std::string& command, std::string* error = nullptr) const {
    return run_program(std::string(wine) + " " + command, error);
  }
  // The prefix's wineserver with `options`: -w waits for it to end, -k ends it.
  int run_server(const std::string& options) const { return run_program("/usr/lib/wine/wineserver64 " + options).first; }
  // Bounded, so that a stalled wine fails the test rather than hangs it.
  std::pair<int, std::string> run_program(const std::string& command, std::string* error = nullptr) const {
    std::string line;
    for (const std::string& variable : environment()) line += "'" + variable + "' ";
    const std::string file = home.file("out");
    const int status =
        std::system(("timeout -k 5 120 env -i " + line + command + " >" + file + " 2>" + file + ".err").c_str());
    if (error != nullptr) *error = read_file(file + ".err");
    return {status, read_file(file) + (error != nullptr ? "" : read_file(file + ".err"))};
  }
  TempDir home;
  std::string prefix;
  std::vector<std::string> extra;
};

TEST(Windows, ACouponIsCreatedCountedAndStoredAsOnTheOriginal) {
  if (const char* missing = missing_for_the_exe()) GTEST_SKIP() << missing;
  Wine wine_prefix;
  PtyProcess run(wine, wine_prefix.environment(), 80, {windows_program()});
  ASSERT_TRUE(prompted(run));
  // Backspace across a row: 85 digits on an 80-column screen, 10 taken back.
  run.type(std::string(85, '2') + std::string(10, '\x7f') + "\r");
  ASSERT_TRUE(run.wait_for("create/edit coupon menu, item: 2222"));
  run.type("\r");
  ASSERT_TRUE(run.wait_for("Sortwell:"));
  EXPECT_EQ(unpack_record(wine_prefix.record(std::string(75, '2'))).quantity, "00000001");
  // A new code: manufacturer, the expiry with an arrow and a function key
  // among its four keys, then bin 7 and Enter to save.
  run.type("4711\r");
  ASSERT_TRUE(run.wait_for("create/edit coupon menu, item: 4711"));
  run.type("1Acme\r");
  ASSERT_TRUE(run.wait_for("1) manu: Acme"));
  run.type("206\x1b[A\x1bOP");
  ASSERT_TRUE(run.wait_for("month xx/"));
  run.type("87\r");
  ASSERT_TRUE(run.wait_for("8) bin#  7"));
  run.type("\r");
  ASSERT_TRUE(run.wait_for("5) Q = 00000001"));
  ASSERT_TRUE(run.wait_for("Sortwell:"));
  // The same code again is counted.
  run.type("4711\r");
  ASSERT_TRUE(run.wait_for("5) Q = 00000002"));
  ASSERT_TRUE(run.wait_for("Sortwell:"));
  run.type("\r");
  ASSERT_TRUE(run.wait_for("Shutting down Sortwell software now..."));
  ASSERT_TRUE(run.wait_for("Done."));
  EXPECT_EQ(run.wait_exit(30s), 0);

  CouponRecord expected;
  expected.code = "4711";
  expected.manufacturer = "Acme";
  expected.expiry = "06";
  expected.quantity = "00000002";
  expected.bin = 7;
  EXPECT_EQ(wine_prefix.record("4711"), pack_record(expected));
}

// The voice: a stand-in registered as "SAPI.SpVoice" in the prefix logs
// each sentence it is handed, then takes 0.3 s, as speaking would.
TEST(Windows, TheExactSentencesReachSpeakAndEachEndsBeforeThePrompt) {
  if (const char* missing = missing_for_the_exe()) GTEST_SKIP() << missing;
  const std::string stand_in = std::filesystem::path(windows_program()).parent_path() / "fake_spvoice.dll";
  ASSERT_TRUE(std::filesystem::exists(stand_in)) << "make windows builds " << stand_in;
  Wine wine_prefix;
  std::filesystem::copy_file(stand_in, wine_prefix.prefix + "/drive_c/fake_spvoice.dll");
  write_file(wine_prefix.prefix + "/drive_c/voice.reg",
             "REGEDIT4\r\n\r\n"
             "[HKEY_CLASSES_ROOT\\SAPI.SpVoice\\CLSID]\r\n"
             "@=\"{5E4C5B1A-0000-4000-8000-50727453574C}\"\r\n\r\n"
             "[HKEY_CLASSES_ROOT\\CLSID\\{5E4C5B1A-0000-4000-8000-50727453574C}\\InprocServer32]\r\n"
             "@=\"C:\\\\fake_spvoice.dll\"\r\n"
             "\"ThreadingModel\"=\"Apartment\"\r\n");
  {
    PtyProcess regedit(wine, wine_prefix.environment(), 80, {"regedit", "/S", "C:\\voice.reg"});
    ASSERT_EQ(regedit.wait_exit(60s), 0) << regedit.output();
  }
  const std::string log = wine_prefix.prefix + "/drive_c/speak.log";
  const auto spoken_to_the_end = [&] {
    const std::string said = std::filesystem::exists(log) ? read_file(log) : "";
    return said.size() >= 4 && said.compare(said.size() - 4, 4, "end\n") == 0;
  };
  PtyProcess run(wine, wine_prefix.environment(), 80, {windows_program()});
  ASSERT_TRUE(prompted(run));
  EXPECT_TRUE(spoken_to_the_end());
  run.type("g\r");
  ASSERT_TRUE(run.wait_for("Sortwell:"));
  EXPECT_TRUE(spoken_to_the_end());
  // A record whose text looks like markup is still spoken as plain text (16), asynchronously (1).
  run.type("42\r");
  ASSERT_TRUE(run.wait_for("create/edit coupon menu, item: 42"));
  run.type("1<A&B>\r\r");
  ASSERT_TRUE(run.wait_for("Sortwell:"));
  EXPECT_TRUE(spoken_to_the_end());
  // A step faster, from the user's own rate, kept in the user's settings.
  run.type("+\r");
  ASSERT_TRUE(run.wait_for("Sortwell:"));
  run.type("\r");
  EXPECT_EQ(run.wait_exit(30s), 0);
  std::string settings;
  for (const auto& user : std::filesystem::directory_iterator(wine_prefix.prefix + "/drive_c/users")) {
    if (std::filesystem::exists(user.path() / "AppData/Roaming/Sortwell/settings")) {
      settings = read_file(user.path() / "AppData/Roaming/Sortwell/settings");
    }
  }
  EXPECT_NE(settings.find("\nrate = 1\n"), std::string::npos) << settings;
  EXPECT_EQ(read_file(log),
            "start (17) Welcome to the Sortwell.  Press question mark and then enter key to get help. May we start?\n"
            "end\n"
            "start (17) ghost mode activated\nend\n"
            "start (17) no record found.\nend\n"
            "start (17) I don't know this coupon\nend\n"
            "start (17) I now need you to tell me about your current coupon please.\nend\n"
            "start (17) <A&B> offers  quantity  0\nend\n"
            "rate 1\nstart (17) faster\nend\n");
}

// Where a Windows screen reader runs (it raises SPI_SETSCREENREADER, as the
// test does here), the greeting is printed and a lookup prints its one line.
TEST(Windows, AScreenReaderFoundGetsOneLinePerLookup) {
  if (const char* missing = missing_for_the_exe()) GTEST_SKIP() << missing;
  const std::string setter = std::filesystem::path(windows_program()).parent_path() / "set_screen_reader.exe";
  Wine wine_prefix({"SORTWELL_VOICE="});
  std::filesystem::create_directories(wine_prefix.prefix + "/drive_c/sortwell");
  write_file(wine_prefix.prefix + "/drive_c/sortwell/4711.cou",
             pack_record({"4711", "Acme", "", "Corn Flakes", {}, "00000002", {}, {}, 7}));
  ASSERT_EQ(wine_prefix.run(setter).first, 0) << "make windows builds " << setter;
  PtyProcess run(wine, wine_prefix.environment(), 80, {windows_program()});
  ASSERT_TRUE(run.wait_for("Welcome to the Sortwell.", 60s)) << run.output();
  ASSERT_TRUE(prompted(run));
  run.type("4711\r");
  ASSERT_TRUE(run.wait_for("Acme offers Corn Flakes quantity  3 bin number  7")) << run.output();
  ASSERT_TRUE(run.wait_for("Sortwell:"));
  EXPECT_EQ(run.output().find("create/edit coupon menu"), std::string::npos) << run.output();
  run.type("\r");
  EXPECT_EQ(run.wait_exit(30s), 0);
}

// The collection commands of sortwell.exe: their bytes as the Linux build
// writes them, a record named in capitals counted, and a record a session
// holds in its editor read without disturbing it.
TEST(Windows, ReportAndExportReadEveryRecordAndWriteTheirBytesExactly) {
  if (const char* missing = missing_for_the_exe()) GTEST_SKIP() << missing;
  Wine wine_prefix;
  PtyProcess run(wine, wine_prefix.environment(), 80, {windows_program()});
  ASSERT_TRUE(prompted(run));
  run.type("4711\r1Acme\r\r");
  ASSERT_TRUE(run.wait_for("Sortwell:"));
  const std::string folder = wine_prefix.prefix + "/drive_c/sortwell";
  CouponRecord capitals;
  capitals.code = "X";
  capitals.manufacturer = "Caf\xe9";
  capitals.quantity = quantity_digits(3);
  write_file(folder + "/X.COU", pack_record(capitals));
  // The session holds 4711 in its editor meanwhile.
  run.type("e\r");
  ASSERT_TRUE(run.wait_for("Sortwell:"));
  run.type("4711\r");
  ASSERT_TRUE(run.wait_for("create/edit coupon menu, item: 4711"));
  const auto output_of = [&](const std::string& command) {
    return wine_prefix.run(windows_program() + " " + command);
  };
  // CR LF once, UTF-8, as on Linux; X.COU is a record on Windows.
  const auto [export_status, exported] = output_of("export");
  EXPECT_EQ(export_status, 0) << exported;
  EXPECT_EQ(exported,
            "code,manufacturer,month,description,category,category name,count,value in cents,number needed,bin,file\r\n"
            "4711,Acme,,,0,frozen,1,0,0,0,4711.cou\r\n"
            "X,Caf\xc3\xa9,,,0,frozen,3,0,0,0,X.COU\r\n");
  const auto [report_status, reported] = output_of("report");
  EXPECT_EQ(report_status, 0) << reported;
  EXPECT_EQ(reported,
            "By bin\nbin     codes  coupons  value\nno bin      2        4  $0.00\n\n"
            "By category\ncategory  codes  coupons  value\nfrozen        2        4  $0.00\n\n"
            "In all\n        codes  coupons  value\nin all      2        4  $0.00\n");
  // The session goes on: its edit is saved, and the next scan counts.
  run.type("\re\r4711\r");
  ASSERT_TRUE(run.wait_for("5) Q = 00000002"));
  run.type("\r");
  EXPECT_EQ(run.wait_exit(30s), 0);
}

// Records mean the same text whatever the machine's ANSI code page (1251 for
// Russian, 65001 for UTF-8): "Caf\xe9" typed is 43 61 66 E9 on disk, "\xe9"
// alone at the prompt is no command (no look-alike "e"), and the report
// shows it as typed. Wine takes the code page from the locale.
TEST(Windows, RecordsMeanTheSameTextUnderAnyCodePage) {
  if (const char* missing = missing_for_the_exe()) GTEST_SKIP() << missing;
  TempDir locales;
  for (const std::string locale : {"ru_RU", "hi_IN"}) {
    SCOPED_TRACE(locale);
    const std::string make = "localedef -i " + locale + " -f UTF-8 " + locales.file(locale + ".UTF-8") + " 2>/dev/null";
    if (std::system(make.c_str()) != 0) GTEST_SKIP() << "localedef cannot make " << locale << " (package locales)";
    Wine wine_prefix({"LOCPATH=" + locales.path(), "LC_ALL=" + locale + ".UTF-8"});
    PtyProcess run(wine, wine_prefix.environment(), 80, {windows_program()});
    ASSERT_TRUE(prompted(run));
    // Were it edit mode, the new coupon would open in the editor twice and
    // the last Enter would not quit.
    run.type("\xc3\xa9\r4711\r1Caf\xc3\xa9\r\r");
    ASSERT_TRUE(run.wait_for("1) manu: Caf\xc3\xa9"));
    ASSERT_TRUE(run.wait_for("Sortwell:"));
    run.type("\r");
    EXPECT_EQ(run.wait_exit(30s), 0) << run.output();
    EXPECT_EQ(wine_prefix.record("4711").substr(40, 5), "Caf\xe9\x1f");
    EXPECT_NE(wine_prefix.run(windows_program() + " report --bin 0").second.find("Caf\xc3\xa9"), std::string::npos);
  }
}

// A log-off or shutdown, as wine ends a session: the record being typed is
// saved. An 8.3 alias of another record's name reaches no record.
TEST(Windows, TheEndOfTheSessionSavesAndAShortNameReachesNoOtherCoupon) {
  if (const char* missing = missing_for_the_exe()) GTEST_SKIP() << missing;
  Wine wine_prefix;
  // Windows without a display; taken up once the server that set it has gone.
  ASSERT_EQ(wine_prefix.run("reg add 'HKCU\\Software\\Wine\\Drivers' /v Graphics /d null /f").first, 0);
  ASSERT_EQ(wine_prefix.run_server("-w"), 0);
  const std::string folder = wine_prefix.prefix + "/drive_c/sortwell";
  std::filesystem::create_directories(folder);
  CouponRecord long_named;
  long_named.code = "0123456789012";
  long_named.quantity = quantity_digits(3);
  write_file(folder + "/0123456789012.cou", pack_record(long_named));
  const std::string listing = wine_prefix.run("cmd /c dir /x C:\\sortwell").second;
  const std::size_t alias_end = listing.find(".COU ");
  ASSERT_NE(alias_end, std::string::npos) << listing;
  const std::string alias = listing.substr(listing.rfind(' ', alias_end) + 1, alias_end - listing.rfind(' ', alias_end) - 1);
  PtyProcess run(wine, wine_prefix.environment(), 80, {windows_program()});
  ASSERT_TRUE(prompted(run));
  run.type(alias + "\r");
  ASSERT_TRUE(run.wait_for("This code cannot name a file, so I cannot save this coupon.")) << alias;
  run.type("4711\r1Logoff\r");
  ASSERT_TRUE(run.wait_for("1) manu: Logoff"));
  wine_prefix.run("wineboot --end-session --shutdown --kill");
  run.wait_exit(30s);
  EXPECT_EQ(unpack_record(wine_prefix.record("4711")).manufacturer, "Logoff");
  EXPECT_EQ(unpack_record(wine_prefix.record("0123456789012")).quantity, quantity_digits(3));
}

// The workbook of sortwell.exe reads back in LibreOffice exactly as the
// Linux build's of the same records.
TEST(Windows, TheWorkbookIsTheLinuxOne) {
  if (const char* missing = missing_for_the_exe()) GTEST_SKIP() << missing;
  if (!libreoffice_installed()) GTEST_SKIP() << "LibreOffice (libreoffice-calc-nogui) is not installed";
  Wine wine_prefix;
  const std::string folder = wine_prefix.prefix + "/drive_c/sortwell";
  std::filesystem::create_directories(folder);
  for (const std::string code : {"012345678905", "8110106141416543213500110000310123196000"}) {
    CouponRecord record;
    record.code = code;
    record.manufacturer = "Caf\xe9 =1+1";
    record.quantity = quantity_digits(2);
    record.value = 12345;
    write_file(folder + "/" + code + ".cou", pack_record(record));
  }
  ASSERT_EQ(wine_prefix.run(windows_program() + " export --xlsx C:\\windows.xlsx").first, 0);
  const std::string linux_book = wine_prefix.home.file("linux.xlsx");
  ASSERT_EQ(std::system((std::string(SORTWELL_BINARY) + " export --xlsx " + linux_book + " --data-dir " + folder).c_str()), 0);
  TempDir windows_work, linux_work;
  const std::string read_back = first_sheet_as_csv(wine_prefix.prefix + "/drive_c/windows.xlsx", windows_work);
  EXPECT_NE(read_back.find("Caf\xc3\xa9 =1+1"), std::string::npos) << read_back;
  EXPECT_EQ(read_back, first_sheet_as_csv(linux_book, linux_work));
}

// A coupon picture drawn by ImageMagick, in the format its name ends with:
// three print sizes, given smallest first; `turn` degrees round.
bool draw_coupon(const std::string& path, int turn = 0) {
  const std::string draw = "/usr/bin/convert -size 900x360 xc:white -fill black -font DejaVu-Sans -pointsize 20"
                           " -annotate +30+320 'Limit one coupon per purchase. Expires 03/31/2027'"
                           " -pointsize 34 -annotate +30+200 'on any ONE Sudsy laundry pods'"
                           " -font DejaVu-Sans-Bold -pointsize 68 -annotate +30+100 'SAVE $1.00' -rotate " +
                           std::to_string(turn) + " -alpha off -depth 8 '" + path + "'";
  return std::system(draw.c_str()) == 0;
}

// Reading print: sortwell.exe reads each picture format built into it, and
// any way round, as the Linux build reads the same file, and writes nothing
// else; a file it cannot read ends with the reason Linux gives and a
// non-zero status.
TEST(Windows, APictureIsReadAsOnLinux) {
  if (const char* missing = missing_for_the_exe()) GTEST_SKIP() << missing;
  if (!std::filesystem::exists("/usr/bin/convert")) GTEST_SKIP() << "ImageMagick (imagemagick) is not installed";
  Wine wine_prefix;
  const std::string drive = wine_prefix.prefix + "/drive_c/";
  // Each: the exit status, standard output, standard error.
  const auto read_on = [&](bool windows, const std::string& name) {
    std::string error;
    const auto [status, output] =
        windows ? wine_prefix.run(windows_program() + " read 'C:\\" + name + "'", &error)
                : wine_prefix.run_program(std::string(SORTWELL_BINARY) + " read '" + drive + name + "'", &error);
    return std::tuple(WIFEXITED(status) ? WEXITSTATUS(status) : -1, output, error);
  };
  ASSERT_TRUE(draw_coupon(drive + "coupon.png"));
  const auto [status, expected, linux_error] = read_on(false, "coupon.png");
  ASSERT_EQ(status, 0) << linux_error;
  const std::size_t save = expected.find("SAVE $1.00\n"), pods = expected.find("Sudsy laundry pods\n");
  ASSERT_TRUE(save < pods && pods < expected.find("Expires 03/31/2027\n")) << expected;
  const struct {
    std::string name;
    int turn;
  } pictures[] = {{"coupon.png", 0}, {"coupon.jpg", 0}, {"coupon.tif", 0}, {"coupon.pnm", 0},
                  {"upside down.png", 180}, {"sideways.jpg", 90}};
  for (const auto& picture : pictures) {
    SCOPED_TRACE(picture.name);
    ASSERT_TRUE(draw_coupon(drive + picture.name, picture.turn));
    EXPECT_EQ(read_on(true, picture.name), std::tuple(0, expected, ""));
  }
  write_file(drive + "empty.png", "");
  write_file(drive + "text.jpg", "SAVE $1.00 on any ONE Sudsy laundry pods\n");
  for (const std::string bad : {"empty.png", "text.jpg", "missing.png"}) {
    SCOPED_TRACE(bad);
    const auto [linux_status, linux_output, linux_reason] = read_on(false, bad);
    EXPECT_NE(linux_status, 0);
    const std::size_t reason = linux_reason.find(bad + ": ") + bad.size();
    const std::string told = linux_reason.substr(reason, linux_reason.find('\n', reason) + 1 - reason);
    EXPECT_EQ(read_on(true, bad), std::tuple(linux_status, "", "sortwell: C:\\" + bad + told));
  }
}

// The installer: msiexec puts the program, its language data, its shortcut
// and its folder on PATH in place; the installed program runs; a newer
// version replaces the older; uninstalling takes all of it back and leaves
// the records alone.
TEST(Windows, TheInstallerInstallsUpgradesAndUninstallsCleanly) {
  if (!std::filesystem::exists(wine)) GTEST_SKIP() << "wine64 is not installed";
  const std::string msi = SORTWELL_SOURCE_DIR "/build-windows/sortwell-" SORTWELL_VERSION "-x64.msi";
  if (!std::filesystem::exists(msi)) GTEST_SKIP() << "no installer: run make windows";
  Wine wine_prefix;
  const std::string drive = wine_prefix.prefix + "/drive_c";
  const std::string installed = drive + "/Program Files/Sortwell";
  const auto products = [&] {
    const std::string listing =
        wine_prefix.run("reg query 'HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall' /s").second;
    int count = 0;
    const std::string entry = "DisplayName    REG_SZ    Sortwell";
    for (std::size_t at = listing.find(entry); at != std::string::npos; at = listing.find(entry, at + 1)) {
      const char next = at + entry.size() < listing.size() ? listing[at + entry.size()] : '\n';
      if (next == '\r' || next == '\n') ++count;
    }
    return count;
  };
  const auto path_variable = [&] {
    return wine_prefix.run("reg query 'HKLM\\System\\CurrentControlSet\\Control\\Session Manager\\Environment' /v PATH")
        .second;
  };
  ASSERT_EQ(wine_prefix.run("msiexec /i " + msi + " /qn").first, 0);
  for (const char* file :
       {"sortwell.exe", "README.md", "LICENSE.txt", "tessdata/eng.traineddata", "tessdata/osd.traineddata"}) {
    EXPECT_TRUE(std::filesystem::exists(installed + "/" + file)) << file;
  }
  // The installed program finds its language data beside itself.
  if (draw_coupon(drive + "/coupon.png")) {
    const auto [status, text] = wine_prefix.run("'" + installed + "/sortwell.exe' read 'C:\\coupon.png'");
    EXPECT_EQ(status, 0) << text;
    EXPECT_NE(text.find("SAVE $1.00"), std::string::npos) << text;
  }
  EXPECT_NE(path_variable().find("C:\\Program Files\\Sortwell"), std::string::npos) << path_variable();
  bool shortcut = false;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(drive)) {
    shortcut = shortcut || entry.path().filename() == "Sortwell.lnk";
  }
  EXPECT_TRUE(shortcut) << "no Start-menu shortcut";
  EXPECT_EQ(products(), 1);
  {
    PtyProcess run(wine, wine_prefix.environment(), 80, {installed + "/sortwell.exe"});
    ASSERT_TRUE(prompted(run));
    run.type("4711\r\r");
    ASSERT_TRUE(run.wait_for("Sortwell:"));
    run.type("\r");
    EXPECT_EQ(run.wait_exit(30s), 0);
  }
  const std::string record = wine_prefix.record("4711");
  ASSERT_EQ(record.size(), record_image_size);
  // The same version built again replaces it: one product still.
  const std::string again = wine_prefix.home.file("again.msi");
  const std::string tool = SORTWELL_SOURCE_DIR "/tools/make-msi " SORTWELL_SOURCE_DIR "/build-windows/sortwell.exe ";
  if (std::system((tool + SORTWELL_VERSION " " + again + " >/dev/null 2>&1").c_str()) == 0) {
    ASSERT_EQ(wine_prefix.run("msiexec /i " + again + " /qn").first, 0);
    EXPECT_EQ(products(), 1) << "the same version made a second product";
  }
  // A newer version, where the tool that builds installers is at hand.
  const std::string newer = wine_prefix.home.file("newer.msi");
  const std::string build = SORTWELL_SOURCE_DIR "/tools/make-msi " SORTWELL_SOURCE_DIR "/build-windows/sortwell.exe 9.9.9 " + newer;
  if (std::system((build + " >/dev/null 2>&1").c_str()) == 0) {
    ASSERT_EQ(wine_prefix.run("msiexec /i " + newer + " /qn").first, 0);
    EXPECT_EQ(products(), 1) << "the older version was not replaced";
    ASSERT_EQ(wine_prefix.run("msiexec /x " + newer + " /qn").first, 0);
  } else {
    ASSERT_EQ(wine_prefix.run("msiexec /x " + msi + " /qn").first, 0);
  }
  EXPECT_FALSE(std::filesystem::exists(installed));
  EXPECT_EQ(path_variable().find("Sortwell"), std::string::npos) << path_variable();
  for (const auto& entry : std::filesystem::recursive_directory_iterator(drive)) {
    EXPECT_NE(entry.path().filename(), "Sortwell.lnk");
  }
  EXPECT_EQ(products(), 0);
  EXPECT_EQ(wine_prefix.record("4711"), record) << "uninstalling touched the records";
}

}  // namespace
}  // namespace sortwell::testing
