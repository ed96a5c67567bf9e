#include "support/libreoffice.h"

#include <cstdlib>
#include <filesystem>

namespace sortwell::testing {

bool libreoffice_installed() { return std::filesystem::exists("/usr/bin/soffice"); }

std::string first_sheet_as_csv(const std::string& book, const TempDir& work) {
  const std::string out = work.file("read");
  const std::string command = "cd " + work.path() + " && HOME=" + work.path() +
                              " soffice -env:UserInstallation=file://" + work.file("profile") +
                              " --headless --convert-to 'csv:Text - txt - csv (StarCalc):44,34,76,1' --outdir " + out +
                              " " + book + " >/dev/null 2>&1";
  if (std::system(command.c_str()) != 0) return {};
  const std::string csv = out + "/" + std::filesystem::path(book).stem().string() + ".csv";
  return std::filesystem::exists(csv) ? read_file(csv) : std::string();
}

}  // namespace sortwell::testing
