#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace sortwell {

// One coupon. The texts are byte strings in the program's code page; a number field is
// empty (nullopt) until it is set, which the menu shows apart from zero.
struct CouponRecord {
  std::string code;
  std::string manufacturer;
  std::string expiry;  // as keyed: month and year; the file keeps the month
  std::string description;
  std::optional<std::uint8_t> category;  // index into the category table
  std::string quantity;                  // eight ASCII digits once counted
  std::optional<std::uint16_t> value;    // hundredths of a cent
  std::optional<std::uint8_t> number_needed;
  std::optional<std::uint8_t> bin;  // 0 means no bin
};

// The record image, 275 bytes, no header and no separators:
//
//   position  length  field          pad
//   1-40      40      code           0x1F
//   41-140    100     manufacturer   0x1F
//   141-142   2       expiry         0x00
//   143-262   120     description    0x1F
//   263       1       category       0x00
//   264-271   8       quantity       0x1F
//   272-273   2       value          0x00   unsigned, little-endian
//   274       1       number_needed  0x00
//   275       1       bin            0x00
//
// A text is cut to its width or filled with its pad byte; an empty number is
// written as zero. Bytes after 275 are never used and never removed.
inline constexpr std::size_t record_image_size = 275;
inline constexpr std::size_t quantity_offset = 263;
inline constexpr std::size_t quantity_width = 8;

// The 275-byte image of a record.
std::string pack_record(const CouponRecord& record);
// A record from an image of any length: each field takes what the image
// holds at its positions (a number only when all its bytes are there); the
// two free texts lose every 0x1F byte.
CouponRecord unpack_record(std::string_view image);

// The count as a number: the value of `quantity` (pad bytes give 0).
double quantity_count(const CouponRecord& record);
// A count as the eight digits `quantity` holds, modulo 100000000.
std::string quantity_digits(double count);

}  // namespace sortwell
