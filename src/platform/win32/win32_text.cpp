#include "platform/win32/win32_text.h"

#include <windows.h>

namespace sortwell {
namespace {

// Each conversion is checked: a failed one (0) gives the empty text, never
// stray bytes.
std::wstring to_wide(UINT code_page, std::string_view text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int needed = MultiByteToWideChar(code_page, 0, text.data(), size, nullptr, 0);
  if (needed <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(needed), L'\0');
  if (MultiByteToWideChar(code_page, 0, text.data(), size, wide.data(), needed) != needed) return {};
  return wide;
}

// `exact`: empty where a character has no byte in the code page, rather
// than '?'.
std::string from_wide(UINT code_page, std::wstring_view text, bool exact = false) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  // UTF-8, the ANSI code page included where it is UTF-8 ("Beta: Use Unicode
  // UTF-8"), takes no flags but one and no replacement. Elsewhere no best
  // fit: 'ő' is '?', as on Linux, not 'o'.
  const bool utf8 = code_page == CP_UTF8 || (code_page == CP_ACP && GetACP() == CP_UTF8);
  const DWORD flags = utf8 ? (exact ? WC_ERR_INVALID_CHARS : 0) : WC_NO_BEST_FIT_CHARS;
  const char* replacement = utf8 ? nullptr : "?";
  BOOL lost = FALSE;
  BOOL* const lost_where = utf8 ? nullptr : &lost;
  const int needed = WideCharToMultiByte(code_page, flags, text.data(), size, nullptr, 0, replacement, lost_where);
  if (needed <= 0 || (exact && lost)) return {};
  std::string bytes(static_cast<std::size_t>(needed), '\0');
  if (WideCharToMultiByte(code_page, flags, text.data(), size, bytes.data(), needed, replacement, nullptr) != needed) {
    return {};
  }
  return bytes;
}

}  // namespace

std::wstring wide_from_code_page(std::string_view text) { return to_wide(code_page_number, text); }
std::wstring wide_from_utf8(std::string_view text) { return to_wide(CP_UTF8, text); }
std::string code_page_from_wide(std::wstring_view text) { return from_wide(code_page_number, text); }
std::string utf8_from_wide(std::wstring_view text) { return from_wide(CP_UTF8, text); }
std::string ansi_path_from_utf8(std::string_view utf8) { return from_wide(CP_ACP, to_wide(CP_UTF8, utf8), true); }

}  // namespace sortwell
