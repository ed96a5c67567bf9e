#include "collection/collection_command.h"

#include <charconv>
#include <optional>

#include "collection/csv_export.h"
#include "collection/report.h"
#include "collection/xlsx_export.h"
#include "platform/folder_watch.h"
#include "platform/output.h"

namespace sortwell {
namespace {

struct Options {
  ReportFilter filter;
  std::string data_dir;
  std::optional<std::string> workbook;  // export --xlsx FILE
};

std::optional<int> number_in(std::string_view text, int lowest, int highest) {
  int number = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (error != std::errc() || end != text.data() + text.size() || number < lowest || number > highest) {
    return std::nullopt;
  }
  return number;
}

int usage_error(std::FILE* err, const std::string& what) {
  std::fprintf(err, "sortwell: %s\nTry 'sortwell --help' for more information.\n", what.c_str());
  return 2;
}

// Fills `options`; returns the exit status of a usage error, if any.
std::optional<int> parse(std::string_view command, const std::vector<std::string_view>& arguments, const Date& today,
                         Options& options, std::FILE* err) {
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    std::string_view name = arguments[i];
    if (command == "report" && name == "--expired") {
      options.filter.expired_before = today;
      continue;
    }
    std::optional<std::string_view> value;
    if (const std::size_t equals = name.find('='); name.starts_with("--") && equals != std::string_view::npos) {
      value = name.substr(equals + 1);
      name = name.substr(0, equals);
    }
    const bool takes_value = name == "--data-dir" || (command == "report" && (name == "--bin" || name == "--expires")) ||
                             (command == "export" && name == "--xlsx");
    if (!takes_value) {
      const char* what = name.starts_with("--") ? "unrecognized option '" : name.starts_with("-") ? "invalid option '"
                                                                                                  : "unexpected argument '";
      return usage_error(err, what + std::string(arguments[i]) + "'");
    }
    if (!value) {
      if (i + 1 >= arguments.size()) return usage_error(err, "option '" + std::string(name) + "' needs a value");
      value = arguments[++i];
    }
    if (name == "--data-dir") {
      options.data_dir = *value;
    } else if (name == "--xlsx") {
      options.workbook = std::string(*value);
    } else if (name == "--bin") {
      options.filter.bin = number_in(*value, 0, 255);
      if (!options.filter.bin) return usage_error(err, "the bin must be a number from 0 to 255, not '" + std::string(*value) + "'");
    } else {
      options.filter.expires = number_in(*value, 1, 12);
      if (!options.filter.expires) return usage_error(err, "the month must be 1 to 12, not '" + std::string(*value) + "'");
    }
  }
  return std::nullopt;
}

}  // namespace

bool is_collection_command(std::string_view word) { return word == "report" || word == "export"; }

int run_collection_command(std::string_view command, const std::vector<std::string_view>& arguments,
                           const std::string& data_dir, const Date& today, std::FILE* out, std::FILE* err) {
  Options options{{}, data_dir, std::nullopt};
  if (auto status = parse(command, arguments, today, options, err)) return *status;
  if (options.data_dir.empty()) {
    std::fputs("sortwell: no data directory: set HOME or XDG_DATA_HOME, or give --data-dir\n", err);
    return 2;
  }
  const CategoryTable categories = build_category_table();
  CsvExport csv(categories);
  XlsxExport workbook(categories);
  Report report(categories, options.filter);
  const bool exporting = command == "export";
  const bool to_workbook = exporting && options.workbook.has_value();
  const auto each = [&](const CollectedCoupon& coupon) {
    if (to_workbook) workbook.add(coupon);
    if (!exporting || to_workbook) report.add(coupon);
    else csv.add(coupon);
  };
  std::vector<std::string> problems;
  std::string error;
  SystemClock clock;
  FolderWatch watch(clock, [&] {
    std::fprintf(err, "sortwell: %s: the folder does not answer yet. I keep trying.\n", options.data_dir.c_str());
    std::fflush(err);
  });
  if (!watch.ask([&] { return collect(options.data_dir, categories, today.year, each, problems, error); })) {
    std::fprintf(err, "sortwell: %s: %s\n", options.data_dir.c_str(), error.c_str());
    return 2;
  }
  bool written = true;
  if (to_workbook) {
    written = workbook.write(*options.workbook, report, error);
  } else {
    const std::string text = exporting ? csv.text() : report.text();
    written = write_output(out, text, exporting ? Output::bytes : Output::text);
    if (!written) error = "could not be written whole";
  }
  for (const std::string& problem : problems) std::fprintf(err, "sortwell: %s\n", problem.c_str());
  // A cut-off export is no export: told, never passed for success.
  if (!written) {
    if (to_workbook) std::fprintf(err, "sortwell: %s: %s\n", options.workbook->c_str(), error.c_str());
    else std::fprintf(err, "sortwell: the %s %s\n", exporting ? "export" : "report", error.c_str());
    return 2;
  }
  return problems.empty() ? 0 : 1;
}

}  // namespace sortwell
