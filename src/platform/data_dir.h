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

// Whether `data_dir` is a folder this user can make and change files in;
// nothing is made. For a folder the user named, such as a shared one that
// may not be mounted yet.
bool data_dir_usable(const std::string& data_dir);

}  // namespace sortwell
