#include "records/coupon_file.h"

namespace sortwell {
namespace {

// What `read_image` reads of an image.
std::string_view head(std::string_view image) { return image.substr(0, record_image_size + 1); }

}  // namespace

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
  lost_ = {};
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

FileResult CouponFile::not_taken(const FileResult& taken, bool landed) const {
  // The name gone: another copy removed the record, or gave up the new
  // record's twin it took over, with none in place.
  if (taken.status == FileStatus::missing) return {FileStatus::changed};
  // A new record never in place is not saved, whatever its twin holds.
  return landed && !is_new() ? FileResult{FileStatus::unsure} : taken;
}

FileResult CouponFile::take_again(std::string& now, bool& kept) {
  // The handle held, where it lives and still holds the lock: no other copy got in.
  FileResult taken = file_.relock();
  if (taken) taken = file_.read_image(now);
  kept = taken.ok();
  if (taken) return taken;
  taken = file_.reopen(lock_wait_);
  return taken ? file_.read_image(now) : taken;
}

FileResult CouponFile::write(std::size_t offset, std::string_view bytes) {
  if (!lost_.ok()) return lost_;
  if (!writable()) return file_.write_at(offset, bytes);
  // What the file holds before and after, as far as this copy knows; writing
  // past the end leaves zero bytes in any gap, which `back` writes back.
  const std::string before = known_;
  std::string after = before;
  if (after.size() < offset + bytes.size()) after.resize(offset + bytes.size(), '\0');
  after.replace(offset, bytes.size(), bytes);
  std::string back = before;
  back.resize(after.size(), '\0');
  const auto held_before = [&](std::string_view now) { return now == head(before) || now == head(back); };
  bool landed = false;  // whether the file may hold `after`
  // Each byte the new one or the old, as a write that failed part way leaves them.
  const auto in_part = [&](std::string_view now) {
    const std::string_view mine = head(after), old = head(back);
    if (now.size() < head(before).size() || now.size() > mine.size()) return false;
    for (std::size_t i = 0; i < now.size(); ++i) {
      if (now[i] != mine[i] && now[i] != old[i]) return false;
    }
    return true;
  };
  const auto put = [&](const std::string& image, bool ours) {
    const FileResult written = file_.write_at(offset, std::string_view(image).substr(offset, bytes.size()));
    if (written) landed = ours;
    return written ? file_.flush() : written;
  };
  FileResult result = put(after, true);
  if (!result) {
    // A handle that died lost its lock, and another copy may have acted since.
    if (result.cause == FileCause::unreachable) {
      std::string now;
      bool kept = false;
      const FileResult taken = take_again(now, kept);
      if (!taken) return lost_ = not_taken(taken, landed);
      // A write through a handle that lives may have gone in part way: its own doing.
      if (!held_before(now) && !(landed && now == head(after)) && !(kept && in_part(now))) {
        // Changed meanwhile: where this copy's bytes had gone in, perhaps on them.
        lost_ = {FileStatus::changed};
        return landed && !is_new() ? FileResult{FileStatus::overtaken} : lost_;
      }
    }
    result = put(after, true);
  }
  if (result) {
    known_ = after;
    return result;
  }
  // The bytes cannot be made durable: the file is to hold what it held
  // before, tried twice, since a write that fails may have written part.
  if (put(back, false) || put(back, false)) return result;
  std::string now;
  const bool seen = file_.read_image(now).ok();
  // Later writes go on from what it holds, not from what this copy meant.
  if (seen) known_ = now;
  if ((seen ? held_before(now) : !landed) || is_new()) return result;
  if (!seen) return {FileStatus::unsure};
  return {now == head(after) ? FileStatus::unconfirmed : FileStatus::damaged, result.cause, result.system_error};
}

FileResult CouponFile::save_record(const CouponRecord& record) {
  FileResult saved = write(0, pack_record(record));
  if (saved) saved = file_.publish();
  holds_record_ = holds_record_ || saved.ok();
  return saved;
}

FileResult CouponFile::write_quantity(CouponRecord& record, double count) {
  const std::string held = record.quantity;
  record.quantity = quantity_digits(count);
  if (!holds_record_ && writable()) return {};
  const FileResult written = write(quantity_offset, record.quantity);
  // Where the file keeps the old count, so does the record: a later save
  // never writes a count told unsaved, nor a second try count twice.
  const FileStatus status = written.status;
  if (!written && writable() && status != FileStatus::unconfirmed && status != FileStatus::overtaken &&
      status != FileStatus::damaged && status != FileStatus::unsure) {
    record.quantity = held;
  }
  return written;
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
