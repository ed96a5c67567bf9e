#include "records/coupon_file.h"

namespace sortwell {

CouponRecord new_record(std::string_view code) {
  CouponRecord record;
  record.code = code;
  return record;
}

FileResult CouponFile::open_or_create(const std::string& path, const CouponRecord& fresh,
                                      std::chrono::milliseconds lock_wait, const std::function<void()>& no_record) {
  const FileResult opened = open(path, lock_wait);
  if (opened.status != FileStatus::missing) return opened;
  no_record();
  const FileResult created = file_.create(path, pack_record(fresh), lock_wait);
  return created.status == FileStatus::exists ? open(path, lock_wait) : created;
}

FileResult CouponFile::open(const std::string& path, std::chrono::milliseconds lock_wait) {
  holds_record_ = false;
  return file_.open(path, lock_wait);
}

FileResult CouponFile::read_record_image(std::string& image) {
  if (is_new()) {
    image.clear();
    return {};
  }
  const FileResult read = file_.read_image(image);
  holds_record_ = read && !image.empty();
  return read;
}

FileResult CouponFile::save_record(const CouponRecord& record) {
  FileResult saved = file_.write_at(0, pack_record(record));
  if (saved) saved = file_.publish();
  holds_record_ = holds_record_ || saved.ok();
  return saved;
}

FileResult CouponFile::write_quantity(CouponRecord& record, double count) {
  record.quantity = quantity_digits(count);
  if (!holds_record_ && writable()) return {};
  // Writing past the end leaves zero bytes in any gap before position 264.
  return file_.write_at(quantity_offset, record.quantity);
}

FileResult CouponFile::add_one_to_quantity(CouponRecord& record) {
  return write_quantity(record, quantity_count(record) + 1);
}

FileResult CouponFile::remove_one_from_quantity(CouponRecord& record) {
  const double count = quantity_count(record) - 1;
  return write_quantity(record, count < 0 ? 0 : count);
}

FileResult CouponFile::reset_quantity(CouponRecord& record) { return write_quantity(record, 0); }

FileResult CouponFile::remove() {
  holds_record_ = false;
  return file_.remove();
}

}  // namespace sortwell
