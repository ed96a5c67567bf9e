#include "reading/printed_lines.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <regex>

#include "platform/code_page.h"

namespace sortwell {
namespace {

// Below this the engine guesses at texture and shadow.
constexpr float least_confidence = 20;
// Rows within this share of each other are one print size.
constexpr float same_size = 0.85f;

// Blanks made single; control characters (C0, DEL, C1), which a terminal
// would act upon, dropped.
std::string tidied(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    const bool blank = byte == ' ' || byte == '\t' || byte == '\n' || byte == '\r' || byte == '\f';
    if (blank && !out.empty() && out.back() != ' ') out += ' ';
    const auto next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
    if (byte == 0xC2 && next >= 0x80 && next < 0xA0) ++i;
    else if (!blank && byte >= 0x20 && byte != 0x7F) out += text[i];
  }
  if (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

// A letter or digit: ASCII's, or a character from U+00C0 on (the lead byte
// of its UTF-8) but for U+2000 to U+2FFF, punctuation, symbols and lines.
bool has_word(const std::string& text) {
  return std::any_of(text.begin(), text.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return std::isalnum(byte) || (byte >= 0xC3 && byte != 0xE2 && (byte & 0xC0) == 0xC0);
  });
}

std::size_t words_in(const std::string& line) { return std::count(line.begin(), line.end(), ' ') + 1; }

}  // namespace

std::vector<std::string> largest_first(const std::vector<PrintedLine>& lines) {
  struct Kept {
    std::string text;
    float size;
    int rank = 0;
  };
  std::vector<Kept> kept;
  for (const PrintedLine& line : lines) {
    std::string text = tidied(line.text);
    if (has_word(text) && line.confidence >= least_confidence) kept.push_back({std::move(text), line.size});
  }
  // Sizes, largest first, grouped where each is close to the group's largest.
  std::vector<float> sizes;
  for (const Kept& line : kept) sizes.push_back(line.size);
  std::sort(sizes.begin(), sizes.end(), std::greater<>());
  for (Kept& line : kept) {
    float top = sizes.empty() ? 0 : sizes.front();
    for (float size : sizes) {
      if (size < top * same_size) {
        top = size;
        ++line.rank;
      }
      if (size <= line.size) break;
    }
  }
  std::stable_sort(kept.begin(), kept.end(), [](const Kept& a, const Kept& b) { return a.rank < b.rank; });
  std::vector<std::string> texts;
  for (Kept& line : kept) texts.push_back(std::move(line.text));
  return texts;
}

std::size_t brief_lines(const std::vector<std::string>& lines, std::size_t words) {
  std::size_t count = 0, said = 0;
  while (count < lines.size() && (count == 0 || said + words_in(lines[count]) <= words)) said += words_in(lines[count++]);
  return count;
}

std::string description_from(const std::vector<std::string>& lines, std::size_t width) {
  std::string joined;
  for (std::size_t i = 0; i < brief_lines(lines); ++i) joined += (i > 0 ? " " : "") + lines[i];
  std::string text = program_code_page().from_utf8(joined);
  if (text.size() <= width) return text;
  const std::size_t blank = text.rfind(' ', width);
  return text.substr(0, blank == std::string::npos || blank == 0 ? width : blank);
}

std::string expiry_in_print(const std::vector<std::string>& lines) {
  // "Exp", "Expires", "Expiry", "Expiration date:", "Expires on", then
  // month, [day,] year; not "Express" or "Expect".
  static const std::regex expiry(
      R"(\bexp(?:ires|iry|iration)?\.?\s*(?:date|on)?\s*:?\s*(\d{1,2})[/.-](?:(\d{1,2})[/.-])?(\d{4}|\d{2})\b)",
                                 std::regex::icase);
  for (const std::string& line : lines) {
    std::smatch found;
    if (!std::regex_search(line, found, expiry)) continue;
    const int month = std::stoi(found[1]);
    const int day = found[2].matched ? std::stoi(found[2]) : 1;
    if (month < 1 || month > 12 || day < 1 || day > 31) continue;
    char keys[8];
    std::snprintf(keys, sizeof keys, "%02d%02d", month, std::stoi(found[3]) % 100);
    return keys;
  }
  return {};
}

}  // namespace sortwell
