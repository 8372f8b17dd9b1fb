#include "installer/text_rules.h"

#include "fileutil/cp932.h"

namespace {

bool IsWhiteSpace(unsigned char b) { return b == 0x20 || (b >= 0x09 && b <= 0x0D); }

bool IsLibraryChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '$' || c == '#' || c == '@' || c == '_' || c == '.';
}

std::string ReplaceFirst(std::string text, const std::string& value, std::size_t& from) {
  const std::size_t at = text.find("%s", from);
  if (at == std::string::npos) return text;
  text.replace(at, 2, value);
  from = at + value.size();
  return text;
}

}  // namespace

std::string TrimWhiteSpace(const std::string& text) {
  std::size_t begin = 0;
  while (begin < text.size() && IsWhiteSpace(static_cast<unsigned char>(text[begin]))) ++begin;
  // Walk forward by characters so that a trail byte is never mistaken for white space.
  std::size_t end = begin;
  for (std::size_t i = begin; i < text.size(); ++i) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (cp932::IsLeadByte(b)) {
      i = i + 1 < text.size() ? i + 1 : i;
      end = i + 1;
    } else if (!IsWhiteSpace(b)) {
      end = i + 1;
    }
  }
  return text.substr(begin, end - begin);
}

std::string CutToByteLimit(const std::string& text, std::size_t limit) {
  std::size_t kept = 0;
  while (kept < text.size()) {
    const std::size_t width = cp932::IsLeadByte(static_cast<unsigned char>(text[kept])) ? 2 : 1;
    if (kept + width > limit) break;
    kept += width;
  }
  return text.substr(0, kept);
}

bool IsValidIbmiName(const std::string& text) {
  if (text.empty() || text.size() > 10) return false;
  const char first = text[0];
  if ((first >= '0' && first <= '9') || first == '_' || first == '.') return false;
  for (char c : text) {
    if (!IsLibraryChar(c)) return false;
  }
  return true;
}

std::string FormatText(const std::string& format, const std::string& value) {
  std::size_t from = 0;
  return ReplaceFirst(format, value, from);
}

std::string FormatText2(const std::string& format, const std::string& first, const std::string& second) {
  std::size_t from = 0;
  std::string text = ReplaceFirst(format, first, from);
  return ReplaceFirst(text, second, from);
}
