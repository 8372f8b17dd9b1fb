#include "tlstrust/fingerprint.h"

#include <algorithm>

namespace tlstrust {
namespace {

constexpr std::size_t kDigits = 64;

bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool IsSeparator(char c) { return c == ',' || c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}  // namespace

std::optional<std::string> NormalisedFingerprint(std::string_view text) {
  std::string digits;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (IsHexDigit(c)) {
      digits += Lower(c);
      continue;
    }
    // A colon only stands between two digits: "AB::CD" or a colon at either end is a damaged one.
    const bool between = i > 0 && i + 1 < text.size() && IsHexDigit(text[i - 1]) && IsHexDigit(text[i + 1]);
    if (c != ':' || !between) return std::nullopt;
  }
  if (digits.size() != kDigits) return std::nullopt;
  return digits;
}

bool ParseFingerprints(std::string_view text, std::vector<std::string>& into, std::string& bad) {
  std::vector<std::string> found = into;
  std::size_t at = 0;
  while (at < text.size()) {
    while (at < text.size() && IsSeparator(text[at])) ++at;
    std::size_t end = at;
    while (end < text.size() && !IsSeparator(text[end])) ++end;
    if (end == at) break;
    const std::string_view item = text.substr(at, end - at);
    at = end;
    const std::optional<std::string> fingerprint = NormalisedFingerprint(item);
    if (!fingerprint) {
      bad = std::string(item);
      return false;
    }
    if (std::find(found.begin(), found.end(), *fingerprint) == found.end()) found.push_back(*fingerprint);
  }
  into = std::move(found);
  return true;
}

std::string FingerprintForPeople(const std::string& fingerprint) {
  std::string shown;
  for (std::size_t i = 0; i + 1 < fingerprint.size(); i += 2) {
    if (i > 0) shown += (i % 32 == 0) ? '\n' : ':';
    for (const char c : fingerprint.substr(i, 2))
      shown += (c >= 'a' && c <= 'f') ? static_cast<char>(c - 'a' + 'A') : c;
  }
  return shown;
}

}  // namespace tlstrust
