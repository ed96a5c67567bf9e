#include "collection/report.h"

#include <map>
#include <vector>

#include "collection/coupon_text.h"

namespace sortwell {
namespace {

// Columns aligned on the widest cell; numbers to the right.
class Table {
 public:
  explicit Table(std::vector<bool> right_aligned) : right_(std::move(right_aligned)) {}
  void add(std::vector<std::string> row) { rows_.push_back(std::move(row)); }
  std::string text() const {
    std::vector<std::size_t> widths(right_.size(), 0);
    for (const auto& row : rows_) {
      for (std::size_t i = 0; i < row.size(); ++i) widths[i] = std::max(widths[i], display_width(row[i]));
    }
    std::string out;
    for (const auto& row : rows_) {
      std::string line;
      for (std::size_t i = 0; i < row.size(); ++i) {
        const std::string pad(widths[i] - display_width(row[i]), ' ');
        if (i > 0) line += "  ";
        line += right_[i] ? pad + row[i] : row[i] + (i + 1 < row.size() ? pad : "");
      }
      // No blanks at a line's end: a screen reader would read them out.
      line.erase(line.find_last_not_of(' ') + 1);
      out += line + "\n";
    }
    return out;
  }

 private:
  std::vector<bool> right_;
  std::vector<std::vector<std::string>> rows_;
};

struct Totals {
  std::int64_t codes = 0;
  std::int64_t coupons = 0;
  std::int64_t value = 0;  // hundredths of a cent
  void add(const CollectedCoupon& coupon) {
    ++codes;
    coupons += coupon.count.value_or(0);
    value += face_value(coupon);
  }
  std::vector<std::string> row(std::string label) const {
    return {std::move(label), std::to_string(codes), std::to_string(coupons), money_in_cents(value)};
  }
};

std::string totals_table(const char* heading, const std::map<int, Totals>& groups,
                         std::string (*label)(int, const CategoryTable&), const CategoryTable& categories) {
  Table table({false, true, true, true});
  table.add({heading, "codes", "coupons", "value"});
  for (const auto& [key, totals] : groups) table.add(totals.row(label(key, categories)));
  return table.text();
}

// Groups: the byte's value; -1 where the file holds none.
int bin_key(const CouponRecord& record) { return record.bin.value_or(0); }
int category_key(const CouponRecord& record) { return record.category ? *record.category : -1; }

std::string bin_label(int bin, const CategoryTable&) { return bin == 0 ? "no bin" : std::to_string(bin); }
std::string category_label(int index, const CategoryTable& categories) { return category_text(index, categories); }

std::string summary(const Collection& collection, const CategoryTable& categories) {
  std::map<int, Totals> bins, groups;
  Totals all;
  for (const CollectedCoupon& coupon : collection.coupons) {
    bins[bin_key(coupon.record)].add(coupon);
    groups[category_key(coupon.record)].add(coupon);
    all.add(coupon);
  }
  Table total({false, true, true, true});
  total.add({"", "codes", "coupons", "value"});
  total.add(all.row("in all"));
  return "By bin\n" + totals_table("bin", bins, bin_label, categories) + "\nBy category\n" +
         totals_table("category", groups, category_label, categories) + "\nIn all\n" + total.text();
}

std::string listing(const Collection& collection, const CategoryTable& categories, const ReportFilter& filter) {
  Table table({false, false, false, false, true, true, false, true});
  table.add({"code", "manufacturer", "description", "category", "count", "value", "month", "needed"});
  int listed = 0;
  for (const CollectedCoupon& coupon : collection.coupons) {
    const CouponRecord& record = coupon.record;
    if (filter.bin && bin_key(record) != *filter.bin) continue;
    if (filter.expires && month_text(record) != two_digits(*filter.expires)) continue;
    ++listed;
    table.add({coupon.code, shown(record.manufacturer), shown(record.description),
               category_text(category_key(record), categories), count_text(coupon), value_text(record),
               month_text(record), byte_text(record.number_needed)});
  }
  std::string title = "Coupons";
  if (filter.bin) title += *filter.bin == 0 ? " with no bin" : " in bin " + std::to_string(*filter.bin);
  if (filter.expires) title += " expiring in month " + two_digits(*filter.expires);
  return title + ": " + std::to_string(listed) + "\n" + (listed > 0 ? table.text() : "");
}

}  // namespace

std::string write_report(const Collection& collection, const CategoryTable& categories, const ReportFilter& filter) {
  if (!filter.bin && !filter.expires) return summary(collection, categories);
  return listing(collection, categories, filter);
}

}  // namespace sortwell
