#include "platform/key_decoder.h"

#include <gtest/gtest.h>

#include <vector>

#include <ostream>

namespace sortwell {

void PrintTo(const Key& key, std::ostream* out) { *out << "Key{" << int(key.code) << "," << int(key.scan) << "}"; }

namespace {

std::vector<Key> decode_all(std::string_view bytes) {
  KeyDecoder decoder;
  decoder.push(bytes);
  std::vector<Key> keys;
  while (auto key = decoder.next(true)) keys.push_back(*key);
  return keys;
}

Key chr(unsigned char c) { return Key::character(c); }
Key scan(unsigned char s) { return Key::special(s); }

struct DecodeCase {
  const char* name;
  std::string bytes;
  std::vector<Key> keys;
};

void PrintTo(const DecodeCase& c, std::ostream* out) { *out << c.name; }

class KeyDecoderTest : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(KeyDecoderTest, TurnsBytesIntoKeys) { EXPECT_EQ(decode_all(GetParam().bytes), GetParam().keys); }

INSTANTIATE_TEST_SUITE_P(
    Keys, KeyDecoderTest,
    ::testing::Values(
        DecodeCase{"Letters", "aU7", {chr('a'), chr('U'), chr('7')}},
        DecodeCase{"EnterIsCrOrLf", "\r\n\n", {chr(13), chr(13)}},
        DecodeCase{"LfThenCrIsOneEnterAsCrThenLfIs", "\n\r5\r\n\n\r", {chr(13), chr(0x35), chr(13), chr(13)}},
        DecodeCase{"LoneLf", "\n", {chr(13)}},
        DecodeCase{"Backspace", std::string("\x7f\x08"), {chr(8), chr(8)}},
        DecodeCase{"ControlKeys", "\x03\x09\x1a", {chr(3), chr(9), chr(26)}},
        DecodeCase{"NulDropped", std::string("a\0b", 3), {chr('a'), chr('b')}},
        DecodeCase{"Arrows", "\x1b[A\x1b[B\x1b[C\x1b[D", {scan(72), scan(80), scan(77), scan(75)}},
        DecodeCase{"Ss3Arrows", "\x1bOA\x1bOD", {scan(72), scan(75)}},
        DecodeCase{"HomeEnd", "\x1b[H\x1b[F\x1bOH\x1b[1~\x1b[4~\x1b[7~\x1b[8~",
                   {scan(71), scan(79), scan(71), scan(71), scan(79), scan(71), scan(79)}},
        DecodeCase{"EditingKeys", "\x1b[2~\x1b[3~\x1b[5~\x1b[6~", {scan(82), scan(83), scan(73), scan(81)}},
        DecodeCase{"FunctionKeys", "\x1bOP\x1bOS\x1b[15~\x1b[17~\x1b[21~\x1b[23~\x1b[24~",
                   {scan(59), scan(62), scan(63), scan(64), scan(68), scan(87), scan(88)}},
        DecodeCase{"LinuxConsoleF1", "\x1b[[A\x1b[[E", {scan(59), scan(63)}},
        DecodeCase{"ModifiedArrow", "\x1b[1;5A", {scan(72)}},
        DecodeCase{"AltLetters", "\x1bq\x1bP\x1b" "a\x1bL\x1bz\x1bM", {scan(16), scan(25), scan(30), scan(38), scan(44), scan(50)}},
        DecodeCase{"AltO", "\x1bO", {scan(24)}},
        DecodeCase{"AltOThenKey", "\x1bOx", {scan(24), chr('x')}},
        DecodeCase{"LoneEscape", "\x1b", {chr(27)}},
        DecodeCase{"EscapeEscape", "\x1b\x1b", {chr(27), chr(27)}},
        DecodeCase{"EscapeDigit", "\x1b" "1", {chr(27), chr('1')}},
        DecodeCase{"UnknownSequencesDropped", "\x1b[200~x\x1b[I\x1b[O\x1b[99~", {chr('x')}},
        DecodeCase{"CutCsiAtTheEnd", "\x1b[1;", {chr(27), chr('['), chr('1'), chr(';')}},
        DecodeCase{"BrokenCsi", "\x1b[1\x01z", {chr(1), chr('z')}},
        DecodeCase{"Utf8ToCodePage", "\xc3\xa9\xe2\x82\xac\xc5\x93", {chr(0xE9), chr(0x80), chr(0x9C)}},
        DecodeCase{"NoSuchCharacter", "\xe2\x98\xba\xf0\x9f\x98\x80", {chr('?'), chr('?')}},
        DecodeCase{"BrokenUtf8", "\xc3x\x80\xff\xe2\x82", {chr('?'), chr('x'), chr('?'), chr('?'), chr('?')}},
        DecodeCase{"OverlongAndSurrogate", "\xc0\xaf\xed\xa0\x80", {chr('?'), chr('?'), chr('?'), chr('?'), chr('?')}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(KeyDecoder, WaitsForTheRestOfASequence) {
  KeyDecoder decoder;
  decoder.push("\x1b");
  EXPECT_FALSE(decoder.next(false));
  decoder.push("[");
  EXPECT_FALSE(decoder.next(false));
  decoder.push("A");
  EXPECT_EQ(decoder.next(false), scan(72));

  decoder.push("\xc3");
  EXPECT_FALSE(decoder.next(false));
  decoder.push("\xa9");
  EXPECT_EQ(decoder.next(false), chr(0xE9));
}

TEST(KeyDecoder, AnIdleEscapeIsALoneEscape) {
  KeyDecoder decoder;
  decoder.push("\x1b");
  EXPECT_FALSE(decoder.next(false));
  EXPECT_EQ(decoder.next(true), chr(27));
  EXPECT_TRUE(decoder.empty());
}

TEST(KeyDecoder, LfAfterCrInALaterChunkIsPartOfTheEnter) {
  KeyDecoder decoder;
  decoder.push("12\r");
  EXPECT_EQ(decoder.next(false), chr('1'));
  EXPECT_EQ(decoder.next(false), chr('2'));
  EXPECT_EQ(decoder.next(false), chr(13));
  decoder.push("\n3");
  EXPECT_EQ(decoder.next(false), chr('3'));
}

TEST(KeyDecoder, KeyTexts) {
  EXPECT_EQ(chr('u').text(), "u");
  EXPECT_EQ(chr(13).text(), "\r");
  EXPECT_EQ(scan(72).text(), std::string("\0H", 2));
}

}  // namespace
}  // namespace sortwell
