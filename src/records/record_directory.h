#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "platform/record_directory.h"

namespace sortwell {

// Whether a file name is a record's: "<code>.cou", the suffix in any case
// where the file system folds case. A record still being created (its twin)
// is not one yet.
bool names_a_record(std::string_view name);

// Whether a file name is a new record's hidden twin, ".<code>.co", which a
// station killed while creating the record may leave behind.
bool names_a_twin(std::string_view name);
// The code a twin's name stands for, in UTF-8.
std::string code_of_twin(const std::string& name);

// Hands the files of `data_dir` whose names `wanted` accepts (by default the
// records') to `each`, as `read_folder` does, with the first 276 bytes (one
// more than the image) of each.
bool read_record_directory(const std::string& data_dir, const std::function<void(const StoredFile&)>& each,
                           std::string& error,
                           const std::function<bool(std::string_view name)>& wanted = names_a_record);

// The code a record file's name stands for, in UTF-8: the name without ".cou".
std::string code_of_file(const std::string& name);

}  // namespace sortwell
