#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace sortwell {

// One coupon: nine byte-string fields, in their on-disk order.
struct CouponRecord {
  std::string code;
  std::string manufacturer;
  std::string expiry;
  std::string description;
  std::string category;       // one byte: index into the category table
  std::string quantity;       // eight ASCII digits once counted
  std::string value;          // two bytes, little-endian, hundredths of a cent
  std::string number_needed;  // one byte
  std::string bin;            // one byte; 0 means no bin
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
//   272-273   2       value          0x00
//   274       1       number_needed  0x00
//   275       1       bin            0x00
//
// A field is cut to its width or filled with its pad byte. Bytes after 275
// are never used and never removed.
struct FieldLayout {
  std::string CouponRecord::*field;
  std::size_t offset;
  std::size_t width;
  char pad;
};

inline constexpr std::size_t record_image_size = 275;
inline constexpr std::size_t quantity_offset = 263;
inline constexpr std::size_t quantity_width = 8;

inline constexpr std::array<FieldLayout, 9> record_layout = {{
    {&CouponRecord::code, 0, 40, '\x1F'},
    {&CouponRecord::manufacturer, 40, 100, '\x1F'},
    {&CouponRecord::expiry, 140, 2, '\0'},
    {&CouponRecord::description, 142, 120, '\x1F'},
    {&CouponRecord::category, 262, 1, '\0'},
    {&CouponRecord::quantity, quantity_offset, quantity_width, '\x1F'},
    {&CouponRecord::value, 271, 2, '\0'},
    {&CouponRecord::number_needed, 273, 1, '\0'},
    {&CouponRecord::bin, 274, 1, '\0'},
}};

// The 275-byte image of a record.
std::string pack_record(const CouponRecord& record);
// A record from an image of any length: each field takes what the image
// holds at its positions; the two free texts lose every 0x1F byte.
CouponRecord unpack_record(std::string_view image);

// The count as a number: the value of `quantity` (pad bytes give 0).
double quantity_count(const CouponRecord& record);
// A count as the eight digits `quantity` holds, modulo 100000000.
std::string quantity_digits(double count);

}  // namespace sortwell
