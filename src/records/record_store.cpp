#include "records/record_store.h"

namespace sortwell {
namespace {

bool write_quantity(CouponRecord& record, RecordFile& file, double count) {
  record.quantity = quantity_digits(count);
  // Writing past the end leaves zero bytes in any gap before position 264.
  return file.write_at(quantity_offset, record.quantity);
}

}  // namespace

CouponRecord new_record(std::string_view code) {
  CouponRecord record;
  record.code = code;
  return record;
}

bool save_record(CouponRecord& record, RecordFile& file) {
  const std::string image = pack_record(record);
  record = CouponRecord{};
  return file.write_at(0, image);
}

bool add_one_to_quantity(CouponRecord& record, RecordFile& file) {
  return write_quantity(record, file, quantity_count(record) + 1);
}

bool remove_one_from_quantity(CouponRecord& record, RecordFile& file) {
  const double count = quantity_count(record) - 1;
  return write_quantity(record, file, count < 0 ? 0 : count);
}

bool reset_quantity(CouponRecord& record, RecordFile& file) { return write_quantity(record, file, 0); }

}  // namespace sortwell
