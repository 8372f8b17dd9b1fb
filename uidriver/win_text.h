#pragma once
// Text conversions of the driver: scenarios are UTF-8, the installer's windows hold code page 932
// (the ANSI code page of the Japanese Wine prefix), and the driver's log is UTF-8 again.
#include <string>

namespace uidriver {

std::wstring Utf8ToWide(const std::string& text);
std::string WideToUtf8(const std::wstring& text);
// Code page 932 bytes of a UTF-8 text; characters that code page lacks become '?'.
std::string Utf8ToAnsi(const std::string& text);
std::string AnsiToUtf8(const std::string& text);

// %NAME% expanded from the driver's environment (which the installer inherits).
std::string ExpandEnvironment(const std::string& ansiText);

}  // namespace uidriver
