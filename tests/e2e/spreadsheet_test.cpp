// The workbook from `sortwell export --xlsx`, read back by a real
// spreadsheet (LibreOffice, headless, to CSV) and by openpyxl for the cell
// types: every code, month and text exactly as stored.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "records/coupon_record.h"
#include "support/libreoffice.h"
#include "support/temp_dir.h"

namespace sortwell::testing {
namespace {

std::string record(const std::string& code, const std::string& manufacturer, const std::string& quantity,
                   std::uint16_t value) {
  CouponRecord coupon;
  coupon.code = code;
  coupon.manufacturer = manufacturer;
  coupon.expiry = "0327";
  coupon.quantity = quantity;
  coupon.value = value;
  coupon.category = 1;
  coupon.bin = 7;
  coupon.number_needed = 1;
  return pack_record(coupon);
}

int run(const std::string& command) { return std::system(command.c_str()); }

TEST(Spreadsheet, TheWorkbookReadsBackExactlyAsStored) {
  if (!libreoffice_installed()) GTEST_SKIP() << "LibreOffice (libreoffice-calc-nogui) is not installed";
  TempDir dir;
  const std::string data = dir.file("coupons");
  std::filesystem::create_directories(data);
  const std::string upc = "012345678905";
  const std::string databar = std::string(69, '8') + "1";
  write_file(data + "/" + upc + ".cou", record(upc, "Caf\xe9 1 \x80 off", "00000002", 65535));
  write_file(data + "/" + databar + ".cou", record(databar, "=1+1", std::string(8, '\x1f'), 25));
  const std::string gs1 = "8110106141416543213500110000310123196000";  // expires 12-31-2010
  write_file(data + "/" + gs1 + ".cou", record(gs1, "Acme", "00000001", 50000));
  std::filesystem::create_directory(data + "/broken.cou");  // named, and left out
  const std::string book = dir.file("coupons.xlsx");
  const std::string err = dir.file("err");
  EXPECT_EQ(run(std::string(SORTWELL_BINARY) + " export --xlsx " + book + " --data-dir " + data + " 2>" + err), 1 << 8);
  EXPECT_EQ(read_file(err), "sortwell: broken.cou: not a regular file\n");
  ASSERT_TRUE(std::filesystem::exists(book));
  EXPECT_FALSE(std::filesystem::exists(book + ".part"));

  // UTF-8, comma-separated, every text quoted.
  EXPECT_EQ(first_sheet_as_csv(book, dir),
            "\"code\",\"manufacturer\",\"month\",\"description\",\"category\",\"category name\",\"count\",\"value\","
            "\"number needed\",\"bin\",\"file\",\"Expires on\"\n"
            "\"012345678905\",\"Caf\xc3\xa9 1 \xe2\x82\xac off\",\"03\",,1,\"dried\",2,$6.5535,1,7,\"012345678905.cou\",\n"
            "\"" + gs1 + "\",\"Acme\",\"03\",,1,\"dried\",1,$5.00,1,7,\"" + gs1 + ".cou\",12-31-2010\n"
            "\"" + databar + "\",\"=1+1\",\"03\",,1,\"dried\",,$0.0025,1,7,\"" + databar + ".cou\",\n");

  // The cell types: text for codes and months, numbers for counts; the header
  // bold and frozen under an autofilter.
  if (!std::filesystem::exists("/usr/lib/python3/dist-packages/openpyxl")) GTEST_SKIP() << "python3-openpyxl is not installed";
  const std::string check = dir.file("check.py");
  write_file(check,
             "import openpyxl, sys\n"
             "ws = openpyxl.load_workbook(sys.argv[1])['Coupons']\n"
             "rows = list(ws.iter_rows(min_row=2))\n"
             "print(ws.freeze_panes, ws.auto_filter.ref, ws['A1'].font.b)\n"
             "for row in rows: print(row[0].data_type, row[2].data_type, row[6].data_type, row[7].data_type, "
             "row[7].value, row[11].value)\n");
  ASSERT_EQ(run("/usr/bin/python3 " + check + " " + book + " >" + dir.file("types") + " 2>&1"), 0) << read_file(dir.file("types"));
  EXPECT_EQ(read_file(dir.file("types")),
            "A2 A1:L4 True\ns s n n 6.5535 None\ns s n n 5 2010-12-31 00:00:00\ns s n n 0.0025 None\n");
}

TEST(Spreadsheet, AWorkbookThatCannotBeWrittenIsToldAndLeavesNothing) {
  TempDir dir;
  const std::string book = dir.file("missing-folder/coupons.xlsx");
  const std::string err = dir.file("err");
  EXPECT_EQ(run(std::string(SORTWELL_BINARY) + " export --xlsx " + book + " --data-dir " + dir.path() + " 2>" + err), 2 << 8);
  EXPECT_EQ(read_file(err), "sortwell: " + book + ": No such file or directory\n");
  EXPECT_FALSE(std::filesystem::exists(book));
  EXPECT_FALSE(std::filesystem::exists(book + ".part"));
}

}  // namespace
}  // namespace sortwell::testing
