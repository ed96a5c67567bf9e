#include "records/coupon_record.h"

#include <algorithm>

#include "common/number_text.h"
#include "common/text_value.h"

namespace sortwell {

std::string pack_record(const CouponRecord& record) {
  std::string image;
  image.reserve(record_image_size);
  for (const FieldLayout& layout : record_layout) {
    std::string piece = (record.*layout.field).substr(0, layout.width);
    piece.resize(layout.width, layout.pad);
    image += piece;
  }
  return image;
}

CouponRecord unpack_record(std::string_view image) {
  CouponRecord record;
  for (const FieldLayout& layout : record_layout) {
    if (layout.offset < image.size()) record.*layout.field = image.substr(layout.offset, layout.width);
  }
  std::erase(record.manufacturer, '\x1F');
  std::erase(record.description, '\x1F');
  return record;
}

double quantity_count(const CouponRecord& record) { return text_value(record.quantity); }

std::string quantity_digits(double count) {
  std::string text = number_text(count);
  if (text.front() == ' ') text.erase(0, 1);
  const std::string digits = "00000000" + text;
  return digits.substr(digits.size() - quantity_width);
}

}  // namespace sortwell
