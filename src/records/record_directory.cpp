#include "records/record_directory.h"

#include "common/upper_case.h"
#include "platform/record_files.h"
#include "records/coupon_record.h"

namespace sortwell {
namespace {

constexpr std::string_view suffix = ".cou";

}  // namespace

bool names_a_record(std::string_view name) {
  // A code may begin with "." (".5" is a number the prompt takes); the twin
  // of a record being created ends in ".co", not ".cou".
  if (name.size() <= suffix.size()) return false;
  const std::string_view end = name.substr(name.size() - suffix.size());
  return file_naming().folds_case ? upper_case(end) == upper_case(suffix) : end == suffix;
}

bool read_record_directory(const std::string& data_dir, const std::function<void(const StoredFile&)>& each,
                           std::string& error, const std::function<bool(std::string_view name)>& wanted) {
  const auto record = [&](std::string_view name) { return names_a_record(name) && (!wanted || wanted(name)); };
  return read_folder(data_dir, record_image_size + 1, record, each, error);
}

std::string code_of_file(const std::string& name) { return name.substr(0, name.size() - suffix.size()); }

}  // namespace sortwell
