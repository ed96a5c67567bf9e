#include "records/record_directory.h"

#include "common/upper_case.h"
#include "platform/record_files.h"
#include "records/coupon_record.h"

namespace sortwell {
namespace {

constexpr std::string_view suffix = ".cou";
constexpr std::string_view twin_suffix = ".co";

bool ends_with(std::string_view name, std::string_view end) {
  if (name.size() <= end.size()) return false;
  const std::string_view last = name.substr(name.size() - end.size());
  return file_naming().folds_case ? upper_case(last) == upper_case(end) : last == end;
}

}  // namespace

bool names_a_record(std::string_view name) {
  // A code may begin with "." (".5" is a number the prompt takes); the twin
  // of a record being created ends in ".co", not ".cou".
  return ends_with(name, suffix);
}

bool names_a_twin(std::string_view name) { return name.size() > 4 && name[0] == '.' && ends_with(name, twin_suffix); }

std::string code_of_twin(const std::string& name) { return name.substr(1, name.size() - 1 - twin_suffix.size()); }

bool read_record_directory(const std::string& data_dir, const std::function<void(const StoredFile&)>& each,
                           std::string& error, const std::function<bool(std::string_view name)>& wanted) {
  return read_folder(data_dir, record_image_size + 1, wanted, each, error);
}

std::string code_of_file(const std::string& name) { return name.substr(0, name.size() - suffix.size()); }

}  // namespace sortwell
