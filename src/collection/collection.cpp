#include "collection/collection.h"

#include <algorithm>

#include "common/text_value.h"
#include "common/whole_number.h"

namespace sortwell {
namespace {

using namespace std::chrono_literals;
constexpr std::chrono::seconds unfinished_after = 5min;

bool all_of(const std::string& text, bool (*test)(char)) { return std::all_of(text.begin(), text.end(), test); }

std::optional<std::int64_t> count_of(const std::string& quantity, bool& is_number) {
  is_number = all_of(quantity, [](char c) { return c >= '0' && c <= '9'; });
  if (quantity.empty() || all_of(quantity, [](char c) { return c == '\x1F'; })) {
    is_number = true;
    return std::nullopt;
  }
  // As the session reads it.
  return whole_number(text_value(quantity));
}

// One file: a coupon, a problem, or both.
void add(const StoredFile& file, const CategoryTable& categories, int this_year,
         const std::function<void(const CollectedCoupon&)>& each, std::vector<std::string>& problems) {
  const auto problem = [&](const std::string& what) { problems.push_back(file.name + ": " + what); };
  if (!file.error.empty()) return problem("cannot be read: " + file.error);
  if (!file.regular) return problem("not a regular file");
  if (file.size != record_image_size) {
    problem(std::to_string(file.size) + " bytes, " + (file.size < record_image_size ? "shorter" : "longer") +
            " than a record (275)");
  }
  const std::string code = code_of_file(file.name);
  CollectedCoupon coupon{file.name, code, unpack_record(file.image), std::nullopt, true,
                         read_coupon_code(code, this_year).expires};
  bool is_number = true;
  coupon.count = count_of(coupon.record.quantity, is_number);
  coupon.count_sound = is_number;
  if (!is_number) problem("the count is not a number");
  if (coupon.record.category && *coupon.record.category > categories.last_index) {
    problem("category " + std::to_string(*coupon.record.category) + " is not in the table");
  }
  each(coupon);
}

}  // namespace

bool collect(const std::string& data_dir, const CategoryTable& categories, int this_year,
             const std::function<void(const CollectedCoupon&)>& each, std::vector<std::string>& problems,
             std::string& error) {
  const auto one = [&](const StoredFile& file) {
    if (!names_a_twin(file.name)) return add(file, categories, this_year, each, problems);
    // A twin an editor holds now is young; an old one was left by a station
    // killed while creating the record.
    const auto age = time_since_written(data_dir, file.name);
    if (age && *age >= unfinished_after) problems.push_back(file.name + ": unfinished new record for code " + code_of_twin(file.name));
  };
  const auto wanted = [](std::string_view name) { return names_a_record(name) || names_a_twin(name); };
  if (!read_record_directory(data_dir, one, error, wanted)) return false;
  // Each file's problems stay in the order found.
  std::stable_sort(problems.begin(), problems.end(), [](const std::string& a, const std::string& b) {
    return a.substr(0, a.find(": ")) < b.substr(0, b.find(": "));
  });
  return true;
}

// Eight digits at most: no product or sum of these can overflow.
std::int64_t counted(const CollectedCoupon& coupon) { return coupon.count_sound ? coupon.count.value_or(0) : 0; }

std::int64_t face_value(const CollectedCoupon& coupon) {
  return static_cast<std::int64_t>(coupon.record.value.value_or(0)) * counted(coupon);
}

}  // namespace sortwell
