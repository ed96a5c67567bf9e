#pragma once

#include <string>

namespace sortwell {

// $XDG_DATA_HOME/sortwell, or $HOME/.local/share/sortwell where
// XDG_DATA_HOME is unset or empty; the home directory falls back to the
// password database. Empty when no home can be found.
std::string data_dir_from_environment();

}  // namespace sortwell
