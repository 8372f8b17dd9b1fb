#include "uidriver/win_text.h"

#include <windows.h>

namespace uidriver {
namespace {

constexpr UINT kAnsiCodePage = 932;

std::wstring ToWide(const std::string& text, UINT codePage) {
  if (text.empty()) return std::wstring();
  const int length = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), &wide[0], length);
  return wide;
}

std::string FromWide(const std::wstring& wide, UINT codePage) {
  if (wide.empty()) return std::string();
  const int length =
      WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), &text[0], length, nullptr, nullptr);
  return text;
}

}  // namespace

std::wstring Utf8ToWide(const std::string& text) { return ToWide(text, CP_UTF8); }
std::string WideToUtf8(const std::wstring& text) { return FromWide(text, CP_UTF8); }
std::string Utf8ToAnsi(const std::string& text) { return FromWide(ToWide(text, CP_UTF8), kAnsiCodePage); }
std::string AnsiToUtf8(const std::string& text) { return FromWide(ToWide(text, kAnsiCodePage), CP_UTF8); }

std::string ExpandEnvironment(const std::string& ansiText) {
  const DWORD needed = ExpandEnvironmentStringsA(ansiText.c_str(), nullptr, 0);
  if (needed == 0) return ansiText;
  std::string expanded(needed, '\0');
  const DWORD written = ExpandEnvironmentStringsA(ansiText.c_str(), &expanded[0], needed);
  expanded.resize(written > 0 ? written - 1 : 0);
  return expanded;
}

}  // namespace uidriver
