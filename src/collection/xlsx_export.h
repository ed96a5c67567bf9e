#pragma once

#include <string>
#include <vector>

#include "collection/collection.h"
#include "collection/report.h"

namespace sortwell {

// The collection as an Office Open XML workbook, for a spreadsheet: sheet
// "Coupons" has the export's columns and rows (sorted by code), with codes,
// months and texts as text cells (never numbers, never formulas), counts,
// categories, numbers needed and bins as numbers, and the value as a number
// of dollars in a currency format; the header row is bold and frozen, with
// an autofilter, and the columns fit their contents. Its last column,
// "Expires on", is a date cell where the coupon's code carries one. Sheet "Totals" holds
// the report's tables with numbers as numbers. Records are added in any
// order; only their rows are kept.
class XlsxExport {
 public:
  explicit XlsxExport(const CategoryTable& categories) : categories_(categories) {}
  void add(const CollectedCoupon& coupon);
  // Writes the workbook aside and renames it to `path` only once it is
  // whole; false, with `error` set, when it cannot be written (nothing is
  // then left at `path`), or when this build cannot write workbooks.
  bool write(const std::string& path, const Report& totals, std::string& error);

  struct Cell {
    enum class Kind { blank, text, number, dollars, date } kind = Kind::blank;
    std::string text;
    double number = 0;
    Date date;
  };

 private:
  const CategoryTable& categories_;
  std::vector<std::pair<std::string, std::vector<Cell>>> rows_;  // by file name
};

}  // namespace sortwell
