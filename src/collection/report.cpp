#include "collection/report.h"

#include <algorithm>
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

// Groups: the byte's value; -1 where the file holds none.
int bin_key(const CouponRecord& record) { return record.bin.value_or(0); }
// Every category beyond the table is one group: their rows would all read
// "(not in the table)".
int category_key(const CouponRecord& record, const CategoryTable& categories) {
  if (!record.category) return -1;
  return *record.category > categories.last_index ? categories.last_index + 1 : *record.category;
}

std::string bin_label(int bin, const CategoryTable&) { return bin == 0 ? "no bin" : std::to_string(bin); }
std::string category_label(int index, const CategoryTable& categories) { return category_text(index, categories); }

std::vector<Report::Group> labelled(const std::map<int, Report::Totals>& groups,
                                    std::string (*label)(int, const CategoryTable&), const CategoryTable& categories) {
  std::vector<Report::Group> rows;
  for (const auto& [key, totals] : groups) rows.push_back({label(key, categories), totals});
  return rows;
}

std::vector<std::string> totals_row(const Report::Totals& totals, std::string label) {
  return {std::move(label), std::to_string(totals.codes), std::to_string(totals.coupons), money_in_cents(totals.value)};
}

std::string totals_table(const char* heading, const std::vector<Report::Group>& groups) {
  Table table({false, true, true, true});
  table.add({heading, "codes", "coupons", "value"});
  for (const Report::Group& group : groups) table.add(totals_row(group.totals, group.label));
  return table.text();
}

}  // namespace

void Report::Totals::add(const CollectedCoupon& coupon) {
  ++codes;
  coupons += counted(coupon);
  value += face_value(coupon);
}

Report::Report(const CategoryTable& categories, ReportFilter filter) : categories_(categories), filter_(filter) {}

void Report::add(const CollectedCoupon& coupon) {
  const CouponRecord& record = coupon.record;
  if (!filter_.any()) {
    bins_[bin_key(record)].add(coupon);
    categories_totals_[category_key(record, categories_)].add(coupon);
    all_.add(coupon);
    return;
  }
  if (filter_.bin && bin_key(record) != *filter_.bin) return;
  if (filter_.expires && month_text(record) != two_digits(*filter_.expires)) return;
  if (filter_.expired_before && !(coupon.expires && *coupon.expires < *filter_.expired_before)) return;
  listed_totals_.add(coupon);
  std::vector<std::string> row{coupon.code, shown(record.manufacturer), shown(record.description),
                               category_text(category_key(record, categories_), categories_), count_text(coupon),
                               value_text(record), month_text(record), byte_text(record.number_needed)};
  if (filter_.expired_before) row.push_back(date_text(*coupon.expires));
  listed_.emplace_back(coupon.file_name, std::move(row));
}

std::vector<Report::Group> Report::by_bin() const { return labelled(bins_, bin_label, categories_); }
std::vector<Report::Group> Report::by_category() const {
  return labelled(categories_totals_, category_label, categories_);
}

std::string Report::text() {
  if (!filter_.any()) {
    Table total({false, true, true, true});
    total.add({"", "codes", "coupons", "value"});
    total.add(totals_row(all_, "in all"));
    return "By bin\n" + totals_table("bin", by_bin()) + "\nBy category\n" + totals_table("category", by_category()) +
           "\nIn all\n" + total.text();
  }
  std::sort(listed_.begin(), listed_.end());
  Table table({false, false, false, false, true, true, false, true, false});
  std::vector<std::string> heading = {"code", "manufacturer", "description", "category", "count", "value", "month", "needed"};
  if (filter_.expired_before) heading.push_back("expired on");
  table.add(std::move(heading));
  for (auto& [file_name, row] : listed_) table.add(std::move(row));
  std::string title = "Coupons";
  if (filter_.bin) title += *filter_.bin == 0 ? " with no bin" : " in bin " + std::to_string(*filter_.bin);
  if (filter_.expires) title += " expiring in month " + two_digits(*filter_.expires);
  if (filter_.expired_before) title += " expired before " + date_text(*filter_.expired_before);
  // Codes and paper coupons are different numbers: both are named.
  const auto& t = listed_totals_;
  return title + ": " + std::to_string(t.codes) + (t.codes == 1 ? " code, " : " codes, ") + std::to_string(t.coupons) +
         (t.coupons == 1 ? " coupon, " : " coupons, ") + money_in_cents(t.value) + "\n" +
         (listed_.empty() ? "" : table.text());
}

bool count_figures(const std::string& data_dir, const Date& today, Figures& figures, std::string& error) {
  const CategoryTable categories = build_category_table();
  Report all(categories, {});
  ReportFilter expired_filter;
  expired_filter.expired_before = today;
  Report expired(categories, expired_filter);
  const auto each = [&](const CollectedCoupon& coupon) {
    all.add(coupon);
    expired.add(coupon);
  };
  std::vector<std::string> problems;
  if (!collect(data_dir, categories, today.year, each, problems, error)) return false;
  figures = {all.bins(), all.in_all(), expired.selected(), problems.size()};
  return true;
}

}  // namespace sortwell
