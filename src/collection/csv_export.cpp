#include "collection/csv_export.h"

#include <algorithm>

#include "collection/coupon_text.h"

namespace sortwell {
namespace {

std::string field(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

// Hundredths of a cent as cents: "25", "123.45".
std::string cents(const CouponRecord& record) {
  if (!record.value) return {};
  const unsigned value = *record.value;
  std::string text = std::to_string(value / 100);
  if (value % 100 != 0) text += "." + two_digits(static_cast<int>(value % 100));
  return text;
}

}  // namespace

void CsvExport::add(const CollectedCoupon& coupon) {
  const CouponRecord& record = coupon.record;
  const std::string category_name_text =
      record.category && *record.category <= categories_.last_index ? category_name(categories_, *record.category) : "";
  const std::string fields[] = {coupon.code,       shown(record.manufacturer), month_text(record),
                                shown(record.description), byte_text(record.category), category_name_text,
                                count_text(coupon), cents(record),              byte_text(record.number_needed),
                                byte_text(record.bin),     coupon.file_name};
  std::string row;
  for (std::size_t i = 0; i < std::size(fields); ++i) row += (i > 0 ? "," : "") + field(fields[i]);
  rows_.emplace_back(coupon.file_name, row + "\r\n");
}

std::string CsvExport::text() {
  std::sort(rows_.begin(), rows_.end());
  std::string out =
      "code,manufacturer,month,description,category,category name,count,value in cents,number needed,bin,file\r\n";
  std::size_t size = out.size();
  for (const auto& row : rows_) size += row.second.size();
  out.reserve(size);
  for (const auto& row : rows_) out += row.second;
  return out;
}

}  // namespace sortwell
