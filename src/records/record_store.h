#pragma once

#include <string>
#include <string_view>

#include "records/coupon_record.h"

namespace sortwell {

// The record file of a code: `data_dir` + "/" + the code in UTF-8 + ".cou".
// A code that cannot name a file safely (it holds "/" or NUL, a byte the
// code page leaves undefined, or its name is too long) gets the empty path,
// which names no file: nothing outside the data directory is ever touched.
std::string record_path(const std::string& data_dir, std::string_view code);
// An empty path gives false.
bool record_file_exists(const std::string& path);
void delete_record_file(const std::string& path);

// The current record and the one record file open during a lookup. The
// file is opened for reading and writing (created empty when missing), else
// for reading only, else not at all, and always under an exclusive lock:
// another running copy holding it makes it count as not openable. No
// failure is reported: an unopened file reads as no bytes and swallows
// writes. Each image and each count is written by one positioned write.
class RecordStore {
 public:
  RecordStore() = default;
  ~RecordStore() { close_record_file(); }
  RecordStore(const RecordStore&) = delete;
  RecordStore& operator=(const RecordStore&) = delete;

  CouponRecord& current() { return current_; }
  const CouponRecord& current() const { return current_; }

  void open_record_file(const std::string& path);
  // Up to 276 bytes from position 1; none when nothing is open.
  std::string read_record_image() const;
  void new_record(std::string_view code);
  void load_record(std::string_view image);
  // Packs the current record (which empties it) and writes the image at
  // position 1; the file is not truncated.
  void save_record();
  void add_one_to_quantity();
  void remove_one_from_quantity();
  void reset_quantity();
  void close_record_file();

 private:
  // Stores the count in `quantity` and writes its eight bytes at position 264.
  void write_quantity(double count);

  CouponRecord current_;
  int fd_ = -1;
};

}  // namespace sortwell
