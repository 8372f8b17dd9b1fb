#include "ftpclient/core/script_text.h"

#include <algorithm>
#include <cstdio>

namespace ftpclient {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

struct CommandName {
  const char* name;
  CommandKind kind;
};

// Every command of the Windows client, so that abbreviations resolve (or clash) as they do there.
const CommandName kCommands[] = {
    {"!", CommandKind::kInvalid},          {"?", CommandKind::kInvalid},      {"append", CommandKind::kInvalid},
    {"ascii", CommandKind::kAscii},        {"bell", CommandKind::kInvalid},   {"binary", CommandKind::kBinary},
    {"bye", CommandKind::kQuit},           {"cd", CommandKind::kCd},          {"close", CommandKind::kClose},
    {"debug", CommandKind::kDebug},        {"delete", CommandKind::kInvalid}, {"dir", CommandKind::kInvalid},
    {"disconnect", CommandKind::kClose},   {"get", CommandKind::kInvalid},    {"glob", CommandKind::kInvalid},
    {"hash", CommandKind::kHash},          {"help", CommandKind::kInvalid},   {"lcd", CommandKind::kInvalid},
    {"literal", CommandKind::kQuote},      {"ls", CommandKind::kInvalid},     {"mdelete", CommandKind::kInvalid},
    {"mdir", CommandKind::kInvalid},       {"mget", CommandKind::kInvalid},   {"mkdir", CommandKind::kInvalid},
    {"mls", CommandKind::kInvalid},        {"mput", CommandKind::kInvalid},   {"open", CommandKind::kOpen},
    {"prompt", CommandKind::kInvalid},     {"put", CommandKind::kPut},        {"pwd", CommandKind::kPwd},
    {"quit", CommandKind::kQuit},          {"quote", CommandKind::kQuote},    {"recv", CommandKind::kInvalid},
    {"remotehelp", CommandKind::kInvalid}, {"rename", CommandKind::kInvalid}, {"rmdir", CommandKind::kInvalid},
    {"send", CommandKind::kPut},           {"status", CommandKind::kInvalid}, {"trace", CommandKind::kInvalid},
    {"type", CommandKind::kInvalid},       {"user", CommandKind::kInvalid},   {"verbose", CommandKind::kInvalid},
};

// Parses a decimal number of at most `maxDigits` digits; nothing else may follow.
std::optional<unsigned long> ParseDecimal(std::string_view text, std::size_t maxDigits) {
  if (text.empty() || text.size() > maxDigits) return std::nullopt;
  unsigned long value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<unsigned long>(c - '0');
  }
  return value;
}

}  // namespace

bool ScriptLines::Next(std::string& line) {
  if (position_ >= text_.size()) return false;
  std::size_t end = text_.find('\n', position_);
  if (end == std::string::npos) end = text_.size();
  line.assign(text_, position_, end - position_);
  position_ = end + 1;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return true;
}

std::vector<std::string> SplitWords(std::string_view line) {
  std::vector<std::string> words;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && IsBlank(line[i])) ++i;
    if (i >= line.size()) break;
    std::string word;
    bool quoted = false;
    for (; i < line.size() && (quoted || !IsBlank(line[i])); ++i) {
      if (line[i] == '"') {
        quoted = !quoted;
      } else {
        word.push_back(line[i]);
      }
    }
    words.push_back(std::move(word));
  }
  return words;
}

std::string_view TextAfterFirstWord(std::string_view line) {
  std::size_t i = 0;
  while (i < line.size() && IsBlank(line[i])) ++i;
  while (i < line.size() && !IsBlank(line[i])) ++i;
  while (i < line.size() && IsBlank(line[i])) ++i;
  return line.substr(i);
}

CommandKind LookUpCommand(std::string_view word) {
  if (word.empty()) return CommandKind::kNone;
  std::string lower(word.size(), '\0');
  std::transform(word.begin(), word.end(), lower.begin(), Lower);
  if (lower == "passive") return CommandKind::kPassive;
  if (lower == "tls") return CommandKind::kTls;
  const CommandName* found = nullptr;
  int prefixMatches = 0;
  for (const CommandName& command : kCommands) {
    std::string_view name(command.name);
    if (name == lower) return command.kind;
    if (name.substr(0, lower.size()) == lower) {
      found = &command;
      ++prefixMatches;
    }
  }
  if (prefixMatches > 1) return CommandKind::kAmbiguous;
  return found ? found->kind : CommandKind::kInvalid;
}

std::optional<Ipv4Address> ParseDottedAddress(std::string_view text) {
  Ipv4Address address{};
  for (std::size_t part = 0; part < 4; ++part) {
    std::size_t dot = part < 3 ? text.find('.') : text.size();
    if (dot == std::string_view::npos) return std::nullopt;
    auto value = ParseDecimal(text.substr(0, dot), 3);
    if (!value || *value > 255) return std::nullopt;
    address[part] = static_cast<std::uint8_t>(*value);
    text.remove_prefix(part < 3 ? dot + 1 : dot);
  }
  return address;
}

std::optional<std::uint16_t> ParsePortNumber(std::string_view text) {
  auto value = ParseDecimal(text, 5);
  if (!value || *value == 0 || *value > 65535) return std::nullopt;
  return static_cast<std::uint16_t>(*value);
}

std::optional<unsigned> ParseTimeoutSeconds(std::string_view text) {
  auto value = ParseDecimal(text, 5);
  if (!value || *value == 0 || *value > 86400) return std::nullopt;
  return static_cast<unsigned>(*value);
}

std::string FormatAddress(const Ipv4Address& address) {
  char text[16];
  std::snprintf(text, sizeof text, "%u.%u.%u.%u", address[0], address[1], address[2], address[3]);
  return text;
}

std::string FormatPortArgument(const Endpoint& endpoint) {
  char text[32];
  std::snprintf(text, sizeof text, "%u,%u,%u,%u,%u,%u", endpoint.address[0], endpoint.address[1], endpoint.address[2],
                endpoint.address[3], static_cast<unsigned>(endpoint.port >> 8),
                static_cast<unsigned>(endpoint.port & 0xFF));
  return text;
}

namespace {

// The length of the UTF-8 sequence that `lead` starts, 0 when it starts none.
std::size_t SequenceLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

}  // namespace

std::optional<std::u16string> Utf16FromUtf8(std::string_view text) {
  std::u16string wide;
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const std::size_t length = SequenceLength(lead);
    if (length == 0 || i + length > text.size()) return std::nullopt;
    char32_t code = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return std::nullopt;
      code = (code << 6) | (next & 0x3F);
    }
    // Overlong forms, surrogates and values past Unicode are not UTF-8.
    static const char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < kSmallest[length] || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) return std::nullopt;
    if (code >= 0x10000) {
      code -= 0x10000;
      wide.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
      wide.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
    } else {
      wide.push_back(static_cast<char16_t>(code));
    }
    i += length;
  }
  return wide;
}

std::string WithCrLf(std::string_view text) {
  std::string stored;
  stored.reserve(text.size() + 8);
  for (char c : text) {
    if (c == '\n') stored.push_back('\r');
    stored.push_back(c);
  }
  return stored;
}

}  // namespace ftpclient
