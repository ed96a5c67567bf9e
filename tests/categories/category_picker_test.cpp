#include "categories/category_picker.h"

#include <gtest/gtest.h>

#include "support/scripted_keyboard.h"
#include "support/virtual_terminal.h"

namespace sortwell {
namespace {

using testing::ScriptedKeyboard;
using testing::VirtualTerminal;

const std::string instruction =
    "Select your category.  Press <enter> key once when finished.  Use the 'u' and 'd' keys to move.";

std::string status(const std::string& position_and_name) {
  return position_and_name + " Of  20 total.  Press u)p or d)own to move accordingly.";
}

struct Picker {
  explicit Picker(std::string_view script) : keyboard(script), screen(200) {}
  int pick() { return pick_category(console, table, position); }
  // The status lines printed so far, in order.
  std::vector<std::string> statuses() const {
    std::vector<std::string> lines;
    for (const std::string& row : screen.rows()) {
      if (row.find(" total.") != std::string::npos) lines.push_back(row);
    }
    return lines;
  }
  ScriptedKeyboard keyboard;
  VirtualTerminal screen;
  Console console{keyboard, screen};
  CategoryTable table = build_category_table();
  std::uint8_t position = 0;
};

TEST(CategoryTable, TwentyOneNamesAndEmptySlots) {
  const CategoryTable table = build_category_table();
  EXPECT_EQ(table.last_index, 20);
  EXPECT_EQ(category_name(table, 0), "frozen");
  EXPECT_EQ(category_name(table, 17), "cleaning supplies");
  EXPECT_EQ(category_name(table, 18), "laundry detergent");
  EXPECT_EQ(category_name(table, 20), "automotive");
  EXPECT_EQ(category_name(table, 21), "");
  EXPECT_EQ(category_name(table, 255), "");
  EXPECT_EQ(category_name(table, 256), "");
}

TEST(CategoryPicker, EnterAtOnceGivesFrozenAsTheZeroCharacter) {
  Picker p("\r");
  EXPECT_EQ(p.pick(), 0);
  EXPECT_EQ(p.screen.rows(), (std::vector<std::string>{"", "", "", "", instruction, status(" 0, frozen"), ""}));
}

TEST(CategoryPicker, StepsAndWrapsAround) {
  Picker p("duUDdx\x1b[A\x1b\r");
  EXPECT_EQ(p.pick(), 20);
  EXPECT_EQ(p.statuses(),
            (std::vector<std::string>{status(" 0, frozen"), status(" 20, automotive"), status(" 0, frozen"),
                                      status(" 1, dried"), status(" 0, frozen"), status(" 20, automotive"),
                                      status(" 20, automotive"), status(" 20, automotive"),
                                      status(" 20, automotive")}));
  EXPECT_EQ(p.position, 20);
}

TEST(CategoryPicker, TwoDigitPositions) {
  Picker p("dddd\r");
  EXPECT_EQ(p.pick(), 17);
  EXPECT_EQ(p.statuses().back(), status(" 17, cleaning supplies"));
}

TEST(CategoryPicker, ASecondUseStartsWhereTheFirstEnded) {
  Picker p("uuu\ru\r");
  EXPECT_EQ(p.pick(), 3);
  EXPECT_EQ(p.pick(), 4);
  EXPECT_EQ(p.statuses()[4], status(" 3, meat"));
}

}  // namespace
}  // namespace sortwell
