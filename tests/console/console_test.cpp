#include "console/console.h"

#include <gtest/gtest.h>

#include "support/scripted_keyboard.h"
#include "support/virtual_terminal.h"

namespace sortwell {
namespace {

using testing::ScriptedKeyboard;
using testing::VirtualTerminal;

struct ConsoleOver {
  explicit ConsoleOver(std::string_view script, int width = 80, bool moves_cursor = true)
      : keyboard(script), screen(width, moves_cursor) {}
  ScriptedKeyboard keyboard;
  VirtualTerminal screen;
  Console console{keyboard, screen};
};

TEST(ReadLine, EchoesAndReturnsTheLineWithoutEnter) {
  ConsoleOver c("4711\r");
  c.console.print_text("Sortwell: ");
  EXPECT_EQ(c.console.read_line(), "4711");
  EXPECT_EQ(c.screen.rows(), (std::vector<std::string>{"Sortwell: 4711", ""}));
  EXPECT_TRUE(c.keyboard.script_used_up());
}

TEST(ReadLine, EnterAloneIsTheEmptyLine) {
  ConsoleOver c("\r");
  EXPECT_EQ(c.console.read_line(), "");
}

TEST(ReadLine, BackspaceNeverErasesThePrompt) {
  ConsoleOver c("\x7f\x7f" "ab\x7f\x7f\x7f" "c\r");
  c.console.print_text("Sortwell: ");
  EXPECT_EQ(c.console.read_line(), "c");
  EXPECT_EQ(c.screen.rows()[0], "Sortwell: c");
}

TEST(ReadLine, ControlAndSpecialKeysLeaveNoTrace) {
  ConsoleOver c("1\t2\x1b[A\x1bOP\x1b[3~\x03\x1bx3\x1b\r");
  EXPECT_EQ(c.console.read_line(), "123");
  EXPECT_EQ(c.screen.rows()[0], "123");
}

TEST(ReadLine, KeepsAtMostTenThousandCharacters) {
  ConsoleOver c(std::string(10005, 'a') + "\r", 100);
  const std::string line = c.console.read_line();
  EXPECT_EQ(line, std::string(10000, 'a'));
  std::size_t echoed = 0;
  for (const std::string& row : c.screen.rows()) echoed += row.size();
  EXPECT_EQ(echoed, 10000u);
}

TEST(ReadLine, TypingPastTheRowEndWrapsAndBackspaceComesBack) {
  ConsoleOver c("abcdefghij\x7f\x7f\x7fXY\r", 8);
  c.console.print_text("> ");
  EXPECT_EQ(c.console.read_line(), "abcdefgXY");
  EXPECT_EQ(c.screen.rows(), (std::vector<std::string>{"> abcdef", "gXY", ""}));
}

TEST(ReadLine, BackspaceAtTheFirstColumnErasesTheLastCellAbove) {
  // A terminal that cannot go up gets the line again on the fresh row, and
  // never a cursor sequence.
  struct Case {
    bool moves_cursor;
    std::vector<std::string> rows;
  };
  for (const Case& t : {Case{true, {"> abcdZ", ""}}, Case{false, {"> abcdef", "> abcdZ", ""}}}) {
    SCOPED_TRACE(t.moves_cursor);
    ConsoleOver c("abcdef\x7f\x7f" "Z\r", 8, t.moves_cursor);
    c.console.print_text("> ");
    EXPECT_EQ(c.console.read_line(), "abcdZ");
    EXPECT_EQ(c.screen.rows(), t.rows);
    EXPECT_EQ(c.screen.output().find('\x1b') == std::string::npos, !t.moves_cursor);
  }
}

TEST(ReadLine, CodePageCharactersInAndOut) {
  ConsoleOver c("caf\xc3\xa9 \xe2\x82\xac \xe2\x98\xba\r");
  EXPECT_EQ(c.console.read_line(), "caf\xe9 \x80 ?");
  EXPECT_EQ(c.screen.rows()[0], "caf\xc3\xa9 \xe2\x82\xac ?");
}

TEST(ReadKey, ReturnsKeysWithoutEcho) {
  ConsoleOver c("uU\r\x03\x1b[A\x1bq");
  EXPECT_EQ(c.console.read_key().text(), "u");
  EXPECT_EQ(c.console.read_key().text(), "U");
  EXPECT_EQ(c.console.read_key().text(), "\r");
  EXPECT_EQ(c.console.read_key().text(), "\x03");
  EXPECT_EQ(c.console.read_key().text(), std::string("\0H", 2));
  EXPECT_EQ(c.console.read_key().text(), std::string("\0\x10", 2));
  EXPECT_EQ(c.screen.output(), "");
}

TEST(ReadKey, AfterTheKeyboardEndsEveryKeyIsEnter) {
  ConsoleOver c("a");
  EXPECT_EQ(c.console.read_key().text(), "a");
  EXPECT_EQ(c.console.read_key().text(), "\r");
  EXPECT_EQ(c.console.read_key().text(), "\r");
}

TEST(PrintText, ControlBytesTakeOneCellEach) {
  ConsoleOver c("");
  c.console.print_text(std::string("a\0b\rc\x1f\x0d\x7f" "d", 9));
  c.console.flush();
  EXPECT_EQ(c.screen.rows(), (std::vector<std::string>{"a b\xe2\x99\xaa" "c\xe2\x96\xbc\xe2\x99\xaa\xe2\x8c\x82" "d"}));
}

TEST(PrintText, LongTextsWrapByCharacter) {
  ConsoleOver c("", 10);
  c.console.print_text("create/edit coupon menu");
  c.console.print_newline();
  EXPECT_EQ(c.screen.rows(), (std::vector<std::string>{"create/edi", "t coupon m", "enu", ""}));
}

TEST(PrintText, ATextFillingARowThenALineEndLeavesOneEmptyRow) {
  ConsoleOver c("", 10);
  c.console.print_text("0123456789");
  c.console.print_newline();
  c.console.print_text("next");
  // Gathered until the line ends, a key is awaited or it is flushed.
  EXPECT_EQ(c.screen.rows(), (std::vector<std::string>{"0123456789", "", ""}));
  c.console.flush();
  EXPECT_EQ(c.screen.rows(), (std::vector<std::string>{"0123456789", "", "next"}));
}

TEST(PrintText, TheEmptyTextWritesNothing) {
  ConsoleOver c("");
  c.console.print_text("");
  EXPECT_EQ(c.screen.output(), "");
}

TEST(PrintText, UndefinedCodePageBytesShowAsReplacement) {
  ConsoleOver c("");
  c.console.print_text("\x81\xe9");
  c.console.flush();
  EXPECT_EQ(c.screen.rows()[0], "?\xc3\xa9");
}

}  // namespace
}  // namespace sortwell
