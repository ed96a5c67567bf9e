#pragma once

#include <string>
#include <string_view>

namespace sortwell {

// Answers are compared in capitals: a to z become A to Z, nothing else changes.
inline std::string upper_case(std::string_view text) {
  std::string result(text);
  for (char& c : result) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return result;
}

}  // namespace sortwell
