#pragma once

#include <string>
#include <utility>
#include <vector>

#include "collection/collection.h"

namespace sortwell {

// Every record as CSV (RFC 4180: CRLF line ends, fields quoted where they
// hold a comma, a quote or a line break), UTF-8, one header row, one row a
// record file, sorted by code. The columns: code, manufacturer, month,
// description, category number and name, count (empty where never
// counted), value in cents, number needed, bin, file name.
// Records are added in any order; only their rows are kept.
class CsvExport {
 public:
  explicit CsvExport(const CategoryTable& categories) : categories_(categories) {}
  void add(const CollectedCoupon& coupon);
  std::string text();

 private:
  const CategoryTable& categories_;
  std::vector<std::pair<std::string, std::string>> rows_;  // file name, row
};

}  // namespace sortwell
