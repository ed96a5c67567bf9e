#include "platform/win32/win32_text.h"

#include <windows.h>

namespace sortwell {
namespace {

std::wstring to_wide(UINT code_page, DWORD flags, std::string_view text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  std::wstring wide(static_cast<std::size_t>(MultiByteToWideChar(code_page, flags, text.data(), size, nullptr, 0)), L'\0');
  MultiByteToWideChar(code_page, flags, text.data(), size, wide.data(), static_cast<int>(wide.size()));
  return wide;
}

std::string from_wide(UINT code_page, std::wstring_view text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  std::string bytes(static_cast<std::size_t>(WideCharToMultiByte(code_page, 0, text.data(), size, nullptr, 0, nullptr, nullptr)), '\0');
  WideCharToMultiByte(code_page, 0, text.data(), size, bytes.data(), static_cast<int>(bytes.size()), nullptr, nullptr);
  return bytes;
}

}  // namespace

std::wstring wide_from_ansi(std::string_view text) { return to_wide(CP_ACP, MB_PRECOMPOSED, text); }
std::wstring wide_from_utf8(std::string_view text) { return to_wide(CP_UTF8, 0, text); }
std::string ansi_from_wide(std::wstring_view text) { return from_wide(CP_ACP, text); }
std::string utf8_from_wide(std::wstring_view text) { return from_wide(CP_UTF8, text); }

}  // namespace sortwell
