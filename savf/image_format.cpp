#include "savf/image_format.h"

#include <algorithm>

namespace savf {
namespace {

bool IsUpper(char c) { return c >= 'A' && c <= 'Z'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

bool IsValidObjectName(const std::string& name) {
  if (name.empty() || name.size() > kNameLength) return false;
  const char first = name[0];
  if (!(IsUpper(first) || first == '$' || first == '#' || first == '@')) return false;
  return std::all_of(name.begin(), name.end(), [](char c) {
    return IsUpper(c) || IsDigit(c) || c == '$' || c == '#' || c == '@' || c == '_' || c == '.';
  });
}

bool IsValidObjectType(const std::string& type) {
  if (type.size() < 2 || type.size() > kNameLength || type[0] != '*') return false;
  return std::all_of(type.begin() + 1, type.end(), IsUpper);
}

bool IsValidAttribute(const std::string& attribute) {
  if (attribute.size() > kNameLength) return false;
  return std::all_of(attribute.begin(), attribute.end(), [](char c) { return IsUpper(c) || IsDigit(c); });
}

bool IsValidRelease(const std::string& release) {
  return release.size() == kReleaseLength && release[0] == 'V' && IsDigit(release[1]) && release[2] == 'R' &&
         IsDigit(release[3]) && release[4] == 'M' && IsDigit(release[5]);
}

bool IsValidSaveCommand(const std::string& command) { return command == "SAVLIB" || command == "SAVOBJ"; }

bool IsValidText(const std::string& text) {
  if (text.size() > kTextLength) return false;
  return std::all_of(text.begin(), text.end(), [](char c) { return c >= 0x20 && c <= 0x7E; });
}

std::uint64_t RecordsFor(std::uint64_t size) { return size / kRecordLength + (size % kRecordLength != 0 ? 1 : 0); }

std::uint64_t ListRecordsFor(std::size_t objectCount) {
  return objectCount / kEntriesPerRecord + (objectCount % kEntriesPerRecord != 0 ? 1 : 0);
}

void PutUint16(std::uint8_t* at, std::uint16_t value) {
  at[0] = static_cast<std::uint8_t>(value >> 8);
  at[1] = static_cast<std::uint8_t>(value);
}

void PutUint32(std::uint8_t* at, std::uint32_t value) {
  PutUint16(at, static_cast<std::uint16_t>(value >> 16));
  PutUint16(at + 2, static_cast<std::uint16_t>(value));
}

void PutUint64(std::uint8_t* at, std::uint64_t value) {
  PutUint32(at, static_cast<std::uint32_t>(value >> 32));
  PutUint32(at + 4, static_cast<std::uint32_t>(value));
}

std::uint16_t GetUint16(const std::uint8_t* at) { return static_cast<std::uint16_t>(at[0] << 8 | at[1]); }

std::uint32_t GetUint32(const std::uint8_t* at) {
  return static_cast<std::uint32_t>(GetUint16(at)) << 16 | GetUint16(at + 2);
}

std::uint64_t GetUint64(const std::uint8_t* at) {
  return static_cast<std::uint64_t>(GetUint32(at)) << 32 | GetUint32(at + 4);
}

void PutText(std::uint8_t* at, std::size_t width, const std::string& text) {
  for (std::size_t i = 0; i < width; ++i) at[i] = static_cast<std::uint8_t>(i < text.size() ? text[i] : ' ');
}

std::string GetText(const std::uint8_t* at, std::size_t width) {
  std::string text(reinterpret_cast<const char*>(at), width);
  const std::size_t end = text.find_last_not_of(' ');
  return end == std::string::npos ? std::string() : text.substr(0, end + 1);
}

}  // namespace savf
