#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "collection/collection.h"

namespace sortwell {

// What `sortwell report` lists besides the totals.
struct ReportFilter {
  std::optional<int> bin;      // the coupons in this bin
  std::optional<int> expires;  // the coupons whose stored month is this one (1 to 12)
  std::optional<Date> expired_before;  // the coupons whose code carries an earlier expiration date
  bool any() const { return bin || expires || expired_before; }
};

// The report as plain text for a terminal or a screen reader: aligned
// columns, one fact a line, no box-drawing and no colour. Without a filter:
// per bin ("no bin" for bin 0), per category by name, and in all, the number
// of codes, the coupons counted and their face value. With one: each coupon
// it selects, one a line, sorted by code. Coupons are added in any order;
// only the totals and the selected coupons are kept.
class Report {
 public:
  struct Totals {
    std::int64_t codes = 0;
    std::int64_t coupons = 0;
    std::int64_t value = 0;  // hundredths of a cent
    void add(const CollectedCoupon& coupon);
  };

  // One row of a totals table: its label and its totals.
  struct Group {
    std::string label;
    Totals totals;
  };

  Report(const CategoryTable& categories, ReportFilter filter);
  void add(const CollectedCoupon& coupon);
  std::string text();
  // The unfiltered report's tables, in the order the text shows them.
  std::vector<Group> by_bin() const;
  std::vector<Group> by_category() const;
  const Totals& in_all() const { return all_; }
  // The unfiltered report's totals per bin (its byte; 0 for no bin).
  const std::map<int, Totals>& bins() const { return bins_; }
  // The filtered report's totals of what it selects.
  const Totals& selected() const { return listed_totals_; }

 private:
  const CategoryTable& categories_;
  ReportFilter filter_;
  std::map<int, Totals> bins_;
  std::map<int, Totals> categories_totals_;
  Totals all_;
  std::vector<std::pair<std::string, std::vector<std::string>>> listed_;  // by file name
  Totals listed_totals_;
};

// The figures `report` gives, for a summary: the totals per bin and in all,
// the totals of the coupons whose code says they expired before `today`, and
// how many record files are damaged or odd.
struct Figures {
  std::map<int, Report::Totals> bins;
  Report::Totals in_all;
  Report::Totals expired;
  std::size_t problems = 0;
};
// False, with `error` set, when the folder cannot be read.
bool count_figures(const std::string& data_dir, const Date& today, Figures& figures, std::string& error);

}  // namespace sortwell
