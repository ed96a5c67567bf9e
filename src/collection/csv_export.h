#pragma once

#include <string>

#include "collection/collection.h"

namespace sortwell {

// Every record as CSV (RFC 4180: CRLF line ends, fields quoted where they
// hold a comma, a quote or a line break), UTF-8, one header row, one row a
// record file, sorted by code. The columns: code, manufacturer, month,
// description, category number and name, count (empty where never
// counted), value in cents, number needed, bin, file name.
std::string export_csv(const Collection& collection, const CategoryTable& categories);

}  // namespace sortwell
