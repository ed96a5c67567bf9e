#include "records/coupon_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "support/temp_dir.h"

namespace sortwell {
namespace {

using testing::read_file;
using testing::TempDir;
using testing::write_file;

std::string bytes(std::size_t count, char byte) { return std::string(count, byte); }

const std::string fresh_4711_image = "4711" + bytes(36, '\x1f') + bytes(100, '\x1f') + bytes(2, '\0') +
                                     bytes(120, '\x1f') + bytes(1, '\0') + bytes(8, '\x1f') + bytes(2, '\0') +
                                     bytes(1, '\0') + bytes(1, '\0');

struct Store {
  Store() : path(record_path(dir.path(), "4711")) {}
  std::string read() {
    std::string image;
    return file.read_record_image(image) ? image : "<failed>";
  }
  // An existing record file, as a lookup finds it.
  FileResult open() { return file.open(path, {}); }
  TempDir dir;
  std::string path;
  CouponFile file;
  CouponRecord record = new_record("4711");
};

TEST(RecordImage, AFreshRecordPacksToPadBytes) {
  CouponRecord record;
  record.code = "4711";
  EXPECT_EQ(pack_record(record), fresh_4711_image);
  ASSERT_EQ(fresh_4711_image.size(), record_image_size);
}

TEST(RecordImage, LoadingAFreshImage) {
  const CouponRecord record = unpack_record(fresh_4711_image);
  EXPECT_EQ(record.code, "4711" + bytes(36, '\x1f'));
  EXPECT_EQ(record.manufacturer, "");
  EXPECT_EQ(record.description, "");
  EXPECT_EQ(quantity_count(record), 0);
  EXPECT_EQ(record.category, 0);
  EXPECT_EQ(record.number_needed, 0);
  EXPECT_EQ(record.bin, 0);
  EXPECT_EQ(record.expiry, bytes(2, '\0'));
}

TEST(RecordImage, FieldsAreCutToTheirWidth) {
  CouponRecord record;
  record.code = bytes(50, 'c');
  record.manufacturer = bytes(100, 'm') + bytes(30, 'x');
  record.expiry = "1225";
  record.description = bytes(121, 'd');
  record.value = 4464;
  const std::string image = pack_record(record);
  EXPECT_EQ(image.size(), 275u);
  EXPECT_EQ(image.substr(0, 40), bytes(40, 'c'));
  EXPECT_EQ(image.substr(140, 2), "12");
  EXPECT_EQ(image.substr(271, 2), "\x70\x11");
  const CouponRecord loaded = unpack_record(image);
  EXPECT_EQ(loaded.manufacturer, bytes(100, 'm'));
  EXPECT_EQ(loaded.description, bytes(120, 'd'));
}

TEST(RecordImage, PadBytesInsideTextsAreDroppedOnLoad) {
  CouponRecord record;
  record.manufacturer = "Ac\x1fme";
  record.description = "\x1f" "big\x1f";
  const CouponRecord loaded = unpack_record(pack_record(record));
  EXPECT_EQ(loaded.manufacturer, "Acme");
  EXPECT_EQ(loaded.description, "big");
}

TEST(RecordImage, AShortImageLoadsAsFarAsItReaches) {
  const std::string image = "4711" + bytes(36, '\x1f') + "Acme" + bytes(96, '\x1f');
  const CouponRecord loaded = unpack_record(image);
  EXPECT_EQ(loaded.manufacturer, "Acme");
  EXPECT_EQ(loaded.expiry, "");
  EXPECT_EQ(loaded.quantity, "");
  EXPECT_EQ(loaded.bin, std::nullopt);
  EXPECT_EQ(loaded.value, std::nullopt);
  EXPECT_EQ(unpack_record(image.substr(0, 10)).code, "4711" + bytes(6, '\x1f'));
}

struct QuantityCase {
  const char* before;
  FileResult (CouponFile::*update)(CouponRecord&);
  const char* after;
};

class QuantityUpdates : public ::testing::TestWithParam<QuantityCase> {};

TEST_P(QuantityUpdates, WriteEightDigitsAtPosition264) {
  Store s;
  write_file(s.path, "");
  s.open();
  s.record.quantity = GetParam().before;
  ASSERT_TRUE(s.file.save_record(s.record));
  s.record = load_record(s.read());
  ASSERT_TRUE((s.file.*GetParam().update)(s.record));
  EXPECT_EQ(s.record.quantity, GetParam().after);
  s.file.close();
  EXPECT_EQ(read_file(s.path).substr(263, 8), GetParam().after);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, QuantityUpdates,
    ::testing::Values(QuantityCase{"", &CouponFile::add_one_to_quantity, "00000001"},
                      QuantityCase{"00000041", &CouponFile::add_one_to_quantity, "00000042"},
                      QuantityCase{"99999999", &CouponFile::add_one_to_quantity, "00000000"},
                      QuantityCase{"00000000", &CouponFile::remove_one_from_quantity, "00000000"},
                      QuantityCase{"", &CouponFile::remove_one_from_quantity, "00000000"},
                      QuantityCase{"00000010", &CouponFile::remove_one_from_quantity, "00000009"},
                      QuantityCase{"00012345", &CouponFile::reset_quantity, "00000000"}));

TEST(CouponFile, ANewRecordAppearsWholeOnlyWhenSaved) {
  Store s;
  int told = 0;
  ASSERT_EQ(s.file.open_or_create(s.path, s.record, {}, [&] { ++told; }), FileStatus::ok);
  EXPECT_EQ(told, 1);
  EXPECT_FALSE(std::filesystem::exists(s.path));
  // Counted in the editor before the save: kept for the save, not written.
  ASSERT_TRUE(s.file.add_one_to_quantity(s.record));
  EXPECT_FALSE(std::filesystem::exists(s.path));
  ASSERT_TRUE(s.file.save_record(s.record));
  EXPECT_EQ(read_file(s.path), fresh_4711_image.substr(0, 263) + "00000001" + fresh_4711_image.substr(271));
  s.file.close();
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(s.dir.path()), {}), 1);
}

TEST(CouponFile, ANewRecordNeverSavedLeavesNothing) {
  Store s;
  ASSERT_EQ(s.file.open_or_create(s.path, s.record, {}, [] {}), FileStatus::ok);
  s.file.close();
  EXPECT_TRUE(std::filesystem::is_empty(s.dir.path()));
}

TEST(CouponFile, ReadsOneByteMoreThanTheImageAndKeepsBytesBeyondIt) {
  Store s;
  write_file(s.path, bytes(300, 'z'));
  s.open();
  EXPECT_EQ(s.read().size(), 276u);
  ASSERT_TRUE(s.file.save_record(s.record));
  s.file.close();
  const std::string content = read_file(s.path);
  EXPECT_EQ(content.size(), 300u);
  EXPECT_EQ(content.substr(0, 275), fresh_4711_image);
  EXPECT_EQ(content.substr(275), bytes(25, 'z'));
}

TEST(CouponFile, CountingIntoAShortFileGrowsItTo271Bytes) {
  Store s;
  const std::string start = "4711" + bytes(36, '\x1f') + "Acme" + bytes(96, '\x1f');
  write_file(s.path, start);
  s.open();
  s.record = load_record(s.read());
  EXPECT_EQ(s.record.manufacturer, "Acme");
  ASSERT_TRUE(s.file.add_one_to_quantity(s.record));
  s.file.close();
  const std::string content = read_file(s.path);
  EXPECT_EQ(content.size(), 271u);
  EXPECT_EQ(content.substr(0, 140), start);
  EXPECT_EQ(content.substr(140, 123), bytes(123, '\0'));
  EXPECT_EQ(content.substr(263), "00000001");
}

TEST(CouponFile, AFileLockedByAnotherCopyIsNotOpenedAndNotWritten) {
  Store s;
  write_file(s.path, fresh_4711_image);
  const int other = open(s.path.c_str(), O_RDWR);
  ASSERT_GE(other, 0);
  ASSERT_EQ(flock(other, LOCK_EX | LOCK_NB), 0);
  EXPECT_EQ(s.open(), FileStatus::in_use);
  EXPECT_EQ(s.read(), "<failed>");
  s.record.manufacturer = "other";
  EXPECT_FALSE(s.file.add_one_to_quantity(s.record));
  EXPECT_FALSE(s.file.save_record(s.record));
  EXPECT_EQ(read_file(s.path), fresh_4711_image);
  close(other);
  EXPECT_EQ(s.open(), FileStatus::ok);
  EXPECT_EQ(s.read(), fresh_4711_image);
}

TEST(CouponFile, AReadOnlyFileIsReadButNotWritten) {
  if (geteuid() == 0) GTEST_SKIP() << "root may write any file";
  Store s;
  write_file(s.path, fresh_4711_image);
  std::filesystem::permissions(s.path, std::filesystem::perms::owner_read);
  EXPECT_EQ(s.open(), FileStatus::read_only);
  EXPECT_EQ(s.read(), fresh_4711_image);
  s.record = load_record(fresh_4711_image);
  EXPECT_EQ(s.file.add_one_to_quantity(s.record).cause, FileCause::not_allowed);
  EXPECT_EQ(read_file(s.path), fresh_4711_image);
}

TEST(CouponFile, NothingOpenReadsNothingAndRefusesWrites) {
  CouponFile file;
  EXPECT_EQ(file.open("", {}).cause, FileCause::bad_name);
  std::string image;
  EXPECT_FALSE(file.read_record_image(image));
  CouponRecord record = new_record("1");
  EXPECT_FALSE(file.add_one_to_quantity(record));
  EXPECT_EQ(record.quantity, "00000001");
  EXPECT_FALSE(file.save_record(record));
}

TEST(RecordPath, TheCodeExactlyAsTyped) {
  EXPECT_EQ(record_path("/d", "4711"), "/d/4711.cou");
  EXPECT_EQ(record_path("/d", " 77"), "/d/ 77.cou");
  EXPECT_EQ(record_path("/d", "0042"), "/d/0042.cou");
  EXPECT_EQ(record_path("/d", "Ab"), "/d/Ab.cou");
  EXPECT_EQ(record_path("/d", "caf\xe9"), "/d/caf\xc3\xa9.cou");
}

TEST(RecordPath, CodesThatCannotNameAFileSafelyNameNone) {
  EXPECT_EQ(record_path("/d", "1/../../x"), "");
  EXPECT_EQ(record_path("/d", std::string("1\0x", 3)), "");
  EXPECT_EQ(record_path("/d", std::string(300, '1')), "");
  EXPECT_EQ(record_path("/d", "1\x81"), "");
  // Every code whose record name fits gets its file, and its twin fits too.
  EXPECT_EQ(record_path("/d", std::string(251, '1')), "/d/" + std::string(251, '1') + ".cou");
  EXPECT_EQ(record_path("/d", std::string(252, '1')), "");
  TempDir dir;
  RecordFile longest;
  ASSERT_EQ(longest.create(record_path(dir.path(), std::string(251, '1')), "image"), FileStatus::ok);
  EXPECT_EQ(longest.publish(), FileStatus::ok);
  EXPECT_EQ(record_path("", "4711"), "");
}

TEST(RecordPath, UnsafeCodesTouchNothingOutsideTheDataDirectory) {
  TempDir root;
  const std::string data = root.file("data");
  std::filesystem::create_directory(data);
  write_file(root.file("x.cou"), "keep");
  for (const std::string& code : std::vector<std::string>{"1/../../x", "1/../x", std::string(300, '1')}) {
    CouponFile file;
    const std::string path = record_path(data, code);
    CouponRecord record = new_record(code);
    EXPECT_EQ(file.open_or_create(path, record, {}, [] {}), FileStatus::not_a_record);
    EXPECT_FALSE(file.save_record(record));
  }
  EXPECT_EQ(read_file(root.file("x.cou")), "keep");
  EXPECT_TRUE(std::filesystem::is_empty(data));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(root.path()), {}), 2);
}

TEST(RecordFile, OnlyRegularFilesAreRecordsAndNoOpenWaits) {
  TempDir dir;
  std::filesystem::create_directory(dir.file("dir.cou"));
  ASSERT_EQ(mkfifo(dir.file("fifo.cou").c_str(), 0600), 0);
  std::filesystem::create_symlink(dir.file("elsewhere"), dir.file("link.cou"));
  write_file(dir.file("elsewhere"), "x");
  for (const char* name : {"dir.cou", "fifo.cou", "link.cou"}) {
    RecordFile file;
    EXPECT_EQ(file.open(dir.file(name)), FileStatus::not_a_record) << name;
  }
  EXPECT_EQ(read_file(dir.file("elsewhere")), "x");
}

}  // namespace
}  // namespace sortwell
