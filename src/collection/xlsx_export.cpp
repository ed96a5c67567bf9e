#include "collection/xlsx_export.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "collection/coupon_text.h"
#include "platform/output.h"

#ifdef SORTWELL_HAVE_XLSXWRITER
#include <xlsxwriter.h>
#endif

namespace sortwell {
namespace {

using Cell = XlsxExport::Cell;
using Kind = Cell::Kind;

Cell text(std::string value) { return {Kind::text, std::move(value), 0, {}}; }
Cell number(std::optional<std::int64_t> value) {
  return value ? Cell{Kind::number, {}, static_cast<double>(*value), {}} : Cell{};
}
Cell dollars(std::optional<std::int64_t> hundredths_of_a_cent) {
  return hundredths_of_a_cent ? Cell{Kind::dollars, {}, static_cast<double>(*hundredths_of_a_cent) / 10000, {}} : Cell{};
}
Cell date(std::optional<Date> day) { return day ? Cell{Kind::date, {}, 0, *day} : Cell{}; }
// A record's field, widened for a cell.
template <typename Field>
std::optional<std::int64_t> of(std::optional<Field> field) {
  return field ? std::optional<std::int64_t>(*field) : std::nullopt;
}

const std::vector<std::string> coupon_columns = {"code",  "manufacturer", "month", "description",
                                                 "category", "category name", "count", "value",
                                                 "number needed", "bin", "file", "Expires on"};

}  // namespace

void XlsxExport::add(const CollectedCoupon& coupon) {
  const CouponRecord& record = coupon.record;
  const bool in_table = record.category && *record.category <= categories_.last_index;
  // A count that is no number is shown as it reads, as text.
  const Cell count = coupon.count_sound ? number(coupon.count) : text(count_text(coupon));
  std::vector<Cell> row = {text(coupon.code),
                           text(shown(record.manufacturer)),
                           text(month_text(record)),
                           text(shown(record.description)),
                           number(of(record.category)),
                           in_table ? text(category_name(categories_, *record.category)) : Cell{},
                           count,
                           dollars(of(record.value)),
                           number(of(record.number_needed)),
                           number(of(record.bin)),
                           text(coupon.file_name),
                           date(coupon.expires)};
  rows_.emplace_back(coupon.file_name, std::move(row));
}

#ifdef SORTWELL_HAVE_XLSXWRITER

namespace {

// Writes one sheet row by row, as constant-memory mode needs, and keeps each
// column as wide as its widest cell.
class Sheet {
 public:
  Sheet(lxw_workbook* book, const char* name, lxw_format* bold, lxw_format* money, lxw_format* day = nullptr)
      : sheet_(workbook_add_worksheet(book, name)), bold_(bold), money_(money), day_(day) {}

  void header(const std::vector<std::string>& names) {
    for (std::size_t c = 0; c < names.size(); ++c) put(c, text(names[c]), bold_);
    ++row_;
  }
  void add(const std::vector<Cell>& cells) {
    for (std::size_t c = 0; c < cells.size(); ++c) {
      put(c, cells[c], cells[c].kind == Kind::dollars ? money_ : cells[c].kind == Kind::date ? day_ : nullptr);
    }
    ++row_;
  }
  void skip() { ++row_; }
  lxw_row_t rows() const { return row_; }
  lxw_worksheet* sheet() const { return sheet_; }
  // Column widths, in characters; set before the workbook is closed.
  void fit() {
    for (std::size_t c = 0; c < widths_.size(); ++c) {
      worksheet_set_column(sheet_, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c), widths_[c] + 2.0, nullptr);
    }
  }

 private:
  void put(std::size_t column, const Cell& cell, lxw_format* format) {
    const auto c = static_cast<lxw_col_t>(column);
    std::size_t width = 0;
    switch (cell.kind) {
      case Kind::blank: break;
      // Always a string: "=1+1" stays text, "012345678905" keeps its zero.
      case Kind::text:
        worksheet_write_string(sheet_, row_, c, cell.text.c_str(), format);
        width = display_width(cell.text);
        break;
      case Kind::number:
        worksheet_write_number(sheet_, row_, c, cell.number, format);
        width = std::to_string(static_cast<long long>(cell.number)).size();
        break;
      case Kind::dollars:
        worksheet_write_number(sheet_, row_, c, cell.number, format);
        width = std::to_string(static_cast<long long>(cell.number)).size() + 6;
        break;
      case Kind::date: {
        lxw_datetime day{cell.date.year, cell.date.month, cell.date.day, 0, 0, 0};
        worksheet_write_datetime(sheet_, row_, c, &day, format);
        width = 10;
        break;
      }
    }
    if (widths_.size() <= column) widths_.resize(column + 1, 0);
    widths_[column] = std::max(widths_[column], width);
  }

  lxw_worksheet* sheet_;
  lxw_format* bold_;
  lxw_format* money_;
  lxw_format* day_;
  lxw_row_t row_ = 0;
  std::vector<std::size_t> widths_;
};

void add_totals(Sheet& sheet, const char* title, const char* heading, const std::vector<Report::Group>& groups) {
  sheet.header({title});
  sheet.header({heading, "codes", "coupons", "value"});
  for (const Report::Group& group : groups) {
    sheet.add({text(group.label), number(group.totals.codes), number(group.totals.coupons), dollars(group.totals.value)});
  }
  sheet.skip();
}

}  // namespace

bool XlsxExport::write(const std::string& path, const Report& totals, std::string& error) {
  std::sort(rows_.begin(), rows_.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  // Beside the file asked for, so that the rename never crosses a file system.
  const std::string aside = path + ".part";
  const std::string aside_for_library = c_library_path(aside);
  // The library tells a file it cannot create on standard error by itself:
  // the common causes (no such folder, no permission) are found here first.
  if (std::FILE* probe = std::fopen(aside_for_library.c_str(), "wb")) {
    std::fclose(probe);
  } else {
    error = std::strerror(errno);
    return false;
  }
  lxw_workbook_options options{};
  options.constant_memory = LXW_TRUE;
  lxw_workbook* book = workbook_new_opt(aside_for_library.c_str(), &options);
  if (book == nullptr) {
    error = "cannot be created";
    return false;
  }
  lxw_format* bold = workbook_add_format(book);
  format_set_bold(bold);
  lxw_format* money = workbook_add_format(book);
  format_set_num_format(money, "$#,##0.00##");
  // As the program writes dates: 11-30-2026.
  lxw_format* day = workbook_add_format(book);
  format_set_num_format(day, "mm-dd-yyyy");

  Sheet coupons(book, "Coupons", bold, money, day);
  coupons.header(coupon_columns);
  for (const auto& row : rows_) coupons.add(row.second);
  worksheet_freeze_panes(coupons.sheet(), 1, 0);
  worksheet_autofilter(coupons.sheet(), 0, 0, coupons.rows() - 1, static_cast<lxw_col_t>(coupon_columns.size() - 1));
  coupons.fit();

  Sheet sums(book, "Totals", bold, money);
  add_totals(sums, "By bin", "bin", totals.by_bin());
  add_totals(sums, "By category", "category", totals.by_category());
  add_totals(sums, "In all", "", {{"in all", totals.in_all()}});
  sums.fit();

  const lxw_error closed = workbook_close(book);
  // Paths are UTF-8, which std::filesystem takes as such only as char8_t.
  const auto path_of = [](const std::string& utf8) { return std::filesystem::path(std::u8string(utf8.begin(), utf8.end())); };
  std::error_code ignored;
  if (closed != LXW_NO_ERROR) {
    std::filesystem::remove(path_of(aside), ignored);
    error = lxw_strerror(closed);
    return false;
  }
  std::error_code renamed;
  std::filesystem::rename(path_of(aside), path_of(path), renamed);
  if (renamed) {
    std::filesystem::remove(path_of(aside), ignored);
    error = renamed.message();
    return false;
  }
  return true;
}

#else

bool XlsxExport::write(const std::string&, const Report&, std::string& error) {
  error = "this build of Sortwell cannot write workbooks (it was built without libxlsxwriter); use the CSV export";
  return false;
}

#endif

}  // namespace sortwell
