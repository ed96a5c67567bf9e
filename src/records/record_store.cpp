#include "records/record_store.h"

namespace sortwell {
namespace {

bool write_quantity(CouponRecord& record, RecordStore& store, double count) {
  record.quantity = quantity_digits(count);
  if (!store.holds_record) return store.file.writable();
  // Writing past the end leaves zero bytes in any gap before position 264.
  return store.file.write_at(quantity_offset, record.quantity);
}

}  // namespace

CouponRecord new_record(std::string_view code) {
  CouponRecord record;
  record.code = code;
  return record;
}

bool save_record(CouponRecord& record, RecordStore& store) {
  const std::string image = pack_record(record);
  record = CouponRecord{};
  if (!store.file.write_at(0, image)) return false;
  const FileStatus published = store.file.publish();
  store.published_elsewhere = published == FileStatus::exists;
  if (published != FileStatus::ok) return false;
  store.holds_record = true;
  return true;
}

bool add_one_to_quantity(CouponRecord& record, RecordStore& store) {
  return write_quantity(record, store, quantity_count(record) + 1);
}

bool remove_one_from_quantity(CouponRecord& record, RecordStore& store) {
  const double count = quantity_count(record) - 1;
  return write_quantity(record, store, count < 0 ? 0 : count);
}

bool reset_quantity(CouponRecord& record, RecordStore& store) { return write_quantity(record, store, 0); }

}  // namespace sortwell
