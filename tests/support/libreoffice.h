#pragma once

#include <string>

#include "support/temp_dir.h"

namespace sortwell::testing {

// Whether LibreOffice is here to read workbooks back.
bool libreoffice_installed();

// A workbook's first sheet as LibreOffice (headless) reads it and writes it
// back as CSV: UTF-8, commas, every text quoted. `work` holds its profile
// and output. Empty when it could not be read.
std::string first_sheet_as_csv(const std::string& book, const TempDir& work);

}  // namespace sortwell::testing
