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
  known_ = pack_record(fresh);
  const FileResult created = file_.create(path, known_, lock_wait);
  return created.status == FileStatus::exists ? open(path, lock_wait) : created;
}

FileResult CouponFile::open(const std::string& path, std::chrono::milliseconds lock_wait) {
  holds_record_ = false;
  lock_wait_ = lock_wait;
  known_.clear();
  return file_.open(path, lock_wait);
}

FileResult CouponFile::read_record_image(std::string& image) {
  if (is_new()) {
    image.clear();
    return {};
  }
  const FileResult read = file_.read_image(image);
  holds_record_ = read && !image.empty();
  if (read) known_ = image;
  return read;
}

FileResult CouponFile::take_again() {
  std::string now;
  FileResult taken = file_.reopen(lock_wait_);
  if (taken) taken = file_.read_image(now);
  if (taken && now != known_.substr(0, record_image_size + 1)) taken = {FileStatus::changed};
  // A new record's twin given up, and none in place: what was typed has no file.
  return taken.status == FileStatus::missing && is_new() ? FileResult{FileStatus::changed} : taken;
}

FileResult CouponFile::write(std::size_t offset, std::string_view bytes) {
  FileResult written = file_.write_at(offset, bytes);
  if (written.cause == FileCause::unreachable) {
    const FileResult taken = take_again();
    written = taken ? file_.write_at(offset, bytes) : taken;
  }
  if (!written) return written;
  // Writing past the end leaves zero bytes in any gap.
  if (known_.size() < offset + bytes.size()) known_.resize(offset + bytes.size(), '\0');
  known_.replace(offset, bytes.size(), bytes);
  return written;
}

FileResult CouponFile::save_record(const CouponRecord& record) {
  FileResult saved = write(0, pack_record(record));
  if (saved) saved = file_.publish();
  holds_record_ = holds_record_ || saved.ok();
  return saved;
}

FileResult CouponFile::write_quantity(CouponRecord& record, double count) {
  record.quantity = quantity_digits(count);
  if (!holds_record_ && writable()) return {};
  return write(quantity_offset, record.quantity);
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
