#pragma once

#include <string>

#include "records/record_file.h"

namespace sortwell {

// The record file of the coupon looked up last, for the prompt's "x".
struct LastEntry {
  std::string path;  // empty when there is none
  FileIdentity identity;
};

}  // namespace sortwell
