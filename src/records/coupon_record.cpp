#include "records/coupon_record.h"

#include <algorithm>

#include "common/number_text.h"
#include "common/text_value.h"

namespace sortwell {
namespace {

constexpr char text_pad = '\x1F';

void put_text(std::string& image, std::string_view text, std::size_t width, char pad) {
  const std::size_t kept = std::min(text.size(), width);
  image.append(text.substr(0, kept));
  image.append(width - kept, pad);
}

void put_byte(std::string& image, std::optional<std::uint8_t> number) { image += static_cast<char>(number.value_or(0)); }

std::string text_at(std::string_view image, std::size_t offset, std::size_t width) {
  return offset < image.size() ? std::string(image.substr(offset, width)) : std::string();
}

std::optional<std::uint8_t> byte_at(std::string_view image, std::size_t offset) {
  if (offset >= image.size()) return std::nullopt;
  return static_cast<std::uint8_t>(image[offset]);
}

}  // namespace

std::string pack_record(const CouponRecord& record) {
  std::string image;
  image.reserve(record_image_size);
  put_text(image, record.code, 40, text_pad);
  put_text(image, record.manufacturer, 100, text_pad);
  put_text(image, record.expiry, 2, '\0');
  put_text(image, record.description, 120, text_pad);
  put_byte(image, record.category);
  put_text(image, record.quantity, quantity_width, text_pad);
  const std::uint16_t value = record.value.value_or(0);
  image += static_cast<char>(value & 0xFF);
  image += static_cast<char>(value >> 8);
  put_byte(image, record.number_needed);
  put_byte(image, record.bin);
  return image;
}

CouponRecord unpack_record(std::string_view image) {
  CouponRecord record;
  record.code = text_at(image, 0, 40);
  record.manufacturer = text_at(image, 40, 100);
  record.expiry = text_at(image, 140, 2);
  record.description = text_at(image, 142, 120);
  record.category = byte_at(image, 262);
  record.quantity = text_at(image, quantity_offset, quantity_width);
  if (image.size() >= 273) {
    record.value = static_cast<std::uint16_t>(static_cast<unsigned char>(image[271]) |
                                              static_cast<unsigned char>(image[272]) << 8);
  }
  record.number_needed = byte_at(image, 273);
  record.bin = byte_at(image, 274);
  std::erase(record.manufacturer, text_pad);
  std::erase(record.description, text_pad);
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
