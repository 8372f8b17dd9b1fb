#include "uidriver/values.h"

#include <cstdlib>
#include <cstring>

#include "fileutil/cp932.h"

namespace uidriver {
namespace {

bool EqualsIgnoringCase(const std::string& a, const char* b) {
  if (a.size() != std::strlen(b)) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i];
    char y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

struct NamedCode {
  const char* name;
  long code;
};

// Win32 virtual-key codes of the keys a person uses on a dialog.
constexpr NamedCode kKeys[] = {
    {"Tab", 0x09},       {"Enter", 0x0D},  {"Return", 0x0D}, {"Escape", 0x1B}, {"Esc", 0x1B},      {"Space", 0x20},
    {"Backspace", 0x08}, {"Delete", 0x2E}, {"Insert", 0x2D}, {"Home", 0x24},   {"End", 0x23},      {"Left", 0x25},
    {"Up", 0x26},        {"Right", 0x27},  {"Down", 0x28},   {"PageUp", 0x21}, {"PageDown", 0x22},
};

constexpr NamedCode kButtons[] = {
    {"OK", 1}, {"Cancel", 2}, {"Abort", 3}, {"Retry", 4},     {"Ignore", 5},    {"Yes", 6},
    {"No", 7}, {"Close", 8},  {"Help", 9},  {"TryAgain", 10}, {"Continue", 11},
};

bool LookUp(const NamedCode* table, std::size_t count, const std::string& word, long& code) {
  for (std::size_t i = 0; i < count; ++i) {
    if (EqualsIgnoringCase(word, table[i].name)) {
      code = table[i].code;
      return true;
    }
  }
  return false;
}

bool ParseKeyName(const std::string& name, std::uint8_t& virtualKey) {
  long code = 0;
  if (LookUp(kKeys, sizeof kKeys / sizeof kKeys[0], name, code)) {
    virtualKey = static_cast<std::uint8_t>(code);
    return true;
  }
  if (name.size() == 1) {
    char c = name[0];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) {
      virtualKey = static_cast<std::uint8_t>(c);  // letters and digits are their own codes
      return true;
    }
  }
  if ((name[0] == 'F' || name[0] == 'f') && name.size() <= 3) {
    long number = 0;
    if (ParseInt(name.substr(1), number) && number >= 1 && number <= 12) {
      virtualKey = static_cast<std::uint8_t>(0x70 + number - 1);
      return true;
    }
  }
  return false;
}

// The byte after the character that starts at i: a lead byte takes the next byte with it.
std::size_t NextCharacter(const std::string& text, std::size_t i) {
  const bool doubleByte = cp932::IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size();
  return i + (doubleByte ? 2 : 1);
}

}  // namespace

bool ParseInt(const std::string& word, long& value) {
  if (word.empty() || word.size() > 10) return false;
  std::size_t i = word[0] == '-' ? 1 : 0;
  if (i == word.size()) return false;
  for (std::size_t j = i; j < word.size(); ++j) {
    if (word[j] < '0' || word[j] > '9') return false;
  }
  value = std::strtol(word.c_str(), nullptr, 10);
  return true;
}

bool ParseSeconds(const std::string& word, double& seconds) {
  if (word.empty() || word.size() > 12) return false;
  bool dot = false;
  for (char c : word) {
    if (c == '.' && !dot) {
      dot = true;
    } else if (c < '0' || c > '9') {
      return false;
    }
  }
  if (word == ".") return false;
  seconds = std::strtod(word.c_str(), nullptr);
  return true;
}

bool ParseYesNo(const std::string& word, bool& yes) {
  if (word == "yes" || word == "no") {
    yes = word == "yes";
    return true;
  }
  return false;
}

bool ParseControlId(const std::string& word, long& id) {
  if (word == "self") {
    id = -1;
    return true;
  }
  return ParseInt(word, id) && id >= 0 && id <= 65535;
}

bool IsName(const std::string& word) {
  if (word.empty() || word.size() > 64) return false;
  for (char c : word) {
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-';
    if (!ok) return false;
  }
  return true;
}

bool ParseAddress(const std::string& word, Address& address) {
  address = Address();
  if (word == "blank") {
    address.blank = true;
    return true;
  }
  std::size_t start = 0;
  for (int part = 0; part < 4; ++part) {
    const std::size_t dot = part < 3 ? word.find('.', start) : word.size();
    if (dot == std::string::npos) return false;
    const std::string digits = word.substr(start, dot - start);
    long value = 0;
    if (digits.empty() || digits.size() > 3 || digits[0] == '-' || !ParseInt(digits, value) || value > 255)
      return false;
    address.part[part] = static_cast<std::uint8_t>(value);
    start = dot + 1;
  }
  return true;
}

std::string FormatAddress(const Address& address) {
  if (address.blank) return "blank";
  std::string text;
  for (int part = 0; part < 4; ++part) {
    if (part > 0) text += '.';
    text += std::to_string(address.part[part]);
  }
  return text;
}

bool ParseKeyChord(const std::string& word, KeyChord& chord) {
  chord = KeyChord();
  std::size_t start = 0;
  for (;;) {
    const std::size_t plus = word.find('+', start);
    const std::string part = word.substr(start, plus == std::string::npos ? std::string::npos : plus - start);
    if (part.empty()) return false;
    if (plus == std::string::npos) return ParseKeyName(part, chord.virtualKey);
    if (EqualsIgnoringCase(part, "Shift")) {
      chord.shift = true;
    } else if (EqualsIgnoringCase(part, "Ctrl")) {
      chord.ctrl = true;
    } else if (EqualsIgnoringCase(part, "Alt")) {
      chord.alt = true;
    } else {
      return false;
    }
    start = plus + 1;
  }
}

bool ParseButton(const std::string& word, long& id) {
  if (LookUp(kButtons, sizeof kButtons / sizeof kButtons[0], word, id)) return true;
  return ParseInt(word, id) && id >= 0 && id <= 65535;
}

std::string ButtonName(long id) {
  for (const auto& button : kButtons) {
    if (button.code == id) return button.name;
  }
  return std::to_string(id);
}

bool ParseIcon(const std::string& word, IconKind& icon) {
  static constexpr struct {
    const char* name;
    IconKind kind;
  } kIcons[] = {{"none", IconKind::kNone},
                {"stop", IconKind::kStop},
                {"exclamation", IconKind::kExclamation},
                {"question", IconKind::kQuestion},
                {"information", IconKind::kInformation}};
  for (const auto& entry : kIcons) {
    if (word == entry.name) {
      icon = entry.kind;
      return true;
    }
  }
  return false;
}

const char* IconName(IconKind icon) {
  switch (icon) {
    case IconKind::kStop:
      return "stop";
    case IconKind::kExclamation:
      return "exclamation";
    case IconKind::kQuestion:
      return "question";
    case IconKind::kInformation:
      return "information";
    case IconKind::kNone:
      break;
  }
  return "none";
}

bool ParseCursor(const std::string& word, CursorKind& cursor) {
  static constexpr struct {
    const char* name;
    CursorKind kind;
  } kCursors[] = {{"arrow", CursorKind::kArrow},
                  {"wait", CursorKind::kWait},
                  {"appstarting", CursorKind::kAppStarting},
                  {"ibeam", CursorKind::kIBeam}};
  for (const auto& entry : kCursors) {
    if (word == entry.name) {
      cursor = entry.kind;
      return true;
    }
  }
  return false;
}

const char* CursorName(CursorKind cursor) {
  switch (cursor) {
    case CursorKind::kWait:
      return "wait";
    case CursorKind::kAppStarting:
      return "appstarting";
    case CursorKind::kIBeam:
      return "ibeam";
    case CursorKind::kArrow:
      break;
  }
  return "arrow";
}

bool ParseSelectionEnd(const std::string& word, long& position) {
  if (word == "end") {
    position = -1;
    return true;
  }
  return ParseInt(word, position) && position >= 0;
}

bool ParsePercent(const std::string& word, double& percent) {
  double value = 0;
  if (!ParseSeconds(word, value) || value > 100) return false;
  percent = value;
  return true;
}

bool ProgressPercent(long low, long high, long position, double& percent) {
  if (high <= low) return false;
  // In doubles: a 32-bit range times 100 does not fit a long on Windows.
  percent = (static_cast<double>(position) - low) * 100.0 / (static_cast<double>(high) - low);
  return true;
}

bool MatchesPattern(const std::string& text, const std::string& pattern) {
  // Greedy, going back to the last '*' on a mismatch: that '*' then takes one more character.
  constexpr std::size_t kNoStar = std::string::npos;
  std::size_t t = 0;
  std::size_t p = 0;
  std::size_t afterStar = kNoStar;
  std::size_t starTakenTo = 0;
  while (t < text.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      afterStar = ++p;
      starTakenTo = t;
      continue;
    }
    if (p < pattern.size()) {
      const std::size_t pNext = NextCharacter(pattern, p);
      const std::size_t tNext = NextCharacter(text, t);
      if (pattern.compare(p, pNext - p, text, t, tNext - t) == 0) {
        p = pNext;
        t = tNext;
        continue;
      }
    }
    if (afterStar == kNoStar) return false;
    starTakenTo = NextCharacter(text, starTakenTo);
    t = starTakenTo;
    p = afterStar;
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

}  // namespace uidriver
