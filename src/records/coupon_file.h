#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <string_view>

#include "records/coupon_record.h"
#include "records/record_file.h"

namespace sortwell {

// A fresh record: every field empty but the code.
CouponRecord new_record(std::string_view code);
// The record in an image read from a record file.
inline CouponRecord load_record(std::string_view image) { return unpack_record(image); }

// A coupon's record file for one lookup, and the whole of its life: the
// record in place, or a new one still hidden as its twin until it is saved;
// whether it holds a record yet; what it holds as far as this copy knows.
// Every write is on stable storage before it reports success; each
// operation returns how it went, with the reason when it failed. The file is
// held under its lock until the object goes.
//
// A write that fails is told by what the file holds afterwards. Where its
// handle died (a server restarted and forgot the lock, or the connection
// was reset), the file is first taken again: through the handle held where
// it lives and still holds the lock (a disk's EIO), so that no other copy
// gets in meanwhile; otherwise as a lookup takes it. Unless it holds
// exactly what this copy left in it, or what it was writing (through the
// handle held, any part of it, as a write that failed part way leaves it),
// nothing more is written: `changed` (the name gone too), or `overtaken`
// where this copy's bytes had gone in (another copy may have built on
// them), or `exists` where another copy put its own new record in place
// meanwhile. Otherwise the bytes are written again from this copy's own
// and flushed again (a flush that failed may have left them marked clean
// but not on disk). Where that fails too, the bytes the file held before are written
// back, twice at most, and the failure is told with its reason; where even
// that fails, a file that still holds the new bytes is `unconfirmed`, one
// that holds neither is `damaged` (with the reason), and one that cannot
// be read is `unsure`. Once another copy's change is found, or the file
// cannot be taken again, every later write fails, `changed` or as the
// taking failed.
class CouponFile {
 public:
  // Its calls to the folder are asked through `watch`, where given.
  explicit CouponFile(FolderWatch* watch = nullptr) : file_(watch) {}

  // Opens the record file at `path` (the empty path: a code that cannot
  // name a file). When there is none, `no_record` is called first, then a
  // new record is prepared under its twin, holding the image of `fresh`; it
  // is not in place until saved. Another copy may put one in place
  // meanwhile: that one is opened after all.
  FileResult open_or_create(const std::string& path, const CouponRecord& fresh, std::chrono::milliseconds lock_wait,
                            const std::function<void()>& no_record);
  // Opens the existing record file at `path`.
  FileResult open(const std::string& path, std::chrono::milliseconds lock_wait);
  // Whether this is a new record, not yet in place.
  bool is_new() const { return file_.unpublished(); }
  bool writable() const { return file_.writable(); }
  // Why it cannot be written, for a file opened read-only.
  const FileResult& why_read_only() const { return file_.why_read_only(); }
  FileIdentity identity() const { return file_.identity(); }

  // The record's image as the file holds it, up to 276 bytes (one more than
  // the image): empty for a new record, or a file that holds no record.
  FileResult read_record_image(std::string& image);
  // Writes the record's image at position 1. A new record is then put in
  // place, never over another: `exists` when another copy's was first.
  FileResult save_record(const CouponRecord& record);
  // The quantity updates: each sets the eight digits of `quantity` and, in
  // a file that holds a record, writes them at position 264 at once; a new
  // record keeps them until it is saved whole, so that a crash never leaves
  // a partial record. The count runs modulo 100000000, never below 0. Where
  // the write to a writable file fails and it keeps its old count, `record`
  // keeps it too.
  FileResult add_one_to_quantity(CouponRecord& record);
  FileResult remove_one_from_quantity(CouponRecord& record);
  FileResult reset_quantity(CouponRecord& record);
  // Deletes the record file while still holding it, then closes it.
  FileResult remove();
  // Lets the file go; a new record never saved leaves nothing behind, but
  // for one whose publishing failed, which keeps what was typed.
  void close() { file_.close(); }

 private:
  FileResult write_quantity(CouponRecord& record, double count);
  // `bytes` at `offset`, as the class comment tells.
  FileResult write(std::size_t offset, std::string_view bytes);
  // Takes the file again after a write whose handle may have died, and
  // reads what it holds `now`; `kept`: through the handle held.
  FileResult take_again(std::string& now, bool& kept);
  // Why the file could not be taken again after a write whose handle died;
  // `landed`: whether that write went through before its flush failed.
  FileResult not_taken(const FileResult& taken, bool landed) const;

  RecordFile file_;
  FileResult lost_;  // why every later write fails
  std::chrono::milliseconds lock_wait_{};
  bool holds_record_ = false;
  std::string known_;  // what the file holds, as read and written by this copy
};

}  // namespace sortwell
