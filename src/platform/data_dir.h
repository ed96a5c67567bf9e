#pragma once

#include <string>

namespace sortwell {

// Where this platform keeps the record files; empty when no place can be
// found.
std::string data_dir_from_environment();

// Creates the data directory (and, where the platform has them, its missing
// parents) for this user alone. False when it cannot be created or is no
// directory.
bool make_data_dir(const std::string& data_dir);

}  // namespace sortwell
