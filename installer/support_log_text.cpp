#include "installer/support_log_text.h"

#include <algorithm>
#include <cstdio>

namespace supportlog {
namespace {

char FoldCase(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool MatchesAt(const std::string& text, std::size_t at, const std::string& secret) {
  if (text.size() - at < secret.size()) return false;
  for (std::size_t i = 0; i < secret.size(); ++i) {
    if (FoldCase(text[at + i]) != FoldCase(secret[i])) return false;
  }
  return true;
}

bool AllDigits(const std::string& text, std::size_t from, std::size_t count) {
  if (text.size() < from + count) return false;
  return std::all_of(text.begin() + from, text.begin() + from + count, [](char c) { return c >= '0' && c <= '9'; });
}

std::string TwoDigits(int value) {
  char text[16];
  std::snprintf(text, sizeof text, "%02d", value);
  return text;
}

std::string Indented(const std::string& bytes, const std::string& indent) {
  std::string out = indent;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const char c = bytes[i];
    if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;  // the LF ends it
    if (c == '\n' || c == '\r') {
      out += "\r\n";
      if (i + 1 < bytes.size()) out += indent;
      continue;
    }
    out += c;
  }
  if (bytes.empty() || (bytes.back() != '\n' && bytes.back() != '\r')) out += "\r\n";
  return out;
}

bool IsLineEnd(char c) { return c == '\n' || c == '\r'; }

// Whether a line starts at at: after a line end, and not between the CR and LF of one.
bool StartsLine(const std::string& bytes, std::size_t at) {
  return at == 0 || (IsLineEnd(bytes[at - 1]) && !(bytes[at - 1] == '\r' && at < bytes.size() && bytes[at] == '\n'));
}

// The start of the line that holds at or, when a line starts right at it, at; 0 for the first.
std::size_t LineStartAtOrBefore(const std::string& bytes, std::size_t at) {
  while (at > 0 && !StartsLine(bytes, at)) --at;
  return at;
}

// The first line start at or after at; bytes.size() when no line starts there.
std::size_t LineStartAtOrAfter(const std::string& bytes, std::size_t at) {
  while (at < bytes.size() && !StartsLine(bytes, at)) ++at;
  return at;
}

}  // namespace

std::string MaskSecret(const std::string& text, const std::string& secret) {
  if (secret.empty()) return text;
  std::string masked;
  std::size_t i = 0;
  while (i < text.size()) {
    if (MatchesAt(text, i, secret)) {
      masked += kMask;
      i += secret.size();
    } else {
      masked += text[i++];
    }
  }
  return masked;
}

std::string LogFileName(const Clock& time, int attempt) {
  char name[64];
  std::snprintf(name, sizeof name, "%04d%02d%02d-%02d%02d%02d-%03d", time.year, time.month, time.day, time.hour,
                time.minute, time.second, time.millisecond);
  std::string result = name;
  if (attempt > 1) result += "-" + std::to_string(attempt);
  return result + ".log";
}

bool IsLogFileName(const std::string& name) {
  // yyyymmdd-hhmmss-mmm[-n].log
  if (name.size() < 23 || name.compare(name.size() - 4, 4, ".log") != 0) return false;
  if (!AllDigits(name, 0, 8) || name[8] != '-' || !AllDigits(name, 9, 6) || name[15] != '-' ||
      !AllDigits(name, 16, 3)) {
    return false;
  }
  const std::size_t rest = name.size() - 4 - 19;
  if (rest == 0) return true;
  return name[19] == '-' && rest > 1 && AllDigits(name, 20, rest - 1);
}

std::vector<std::string> LogsToRemove(std::vector<std::string> names, std::size_t keep) {
  names.erase(std::remove_if(names.begin(), names.end(), [](const std::string& n) { return !IsLogFileName(n); }),
              names.end());
  // A second log of the same millisecond ("-2") sorts after the first; "-10" must sort after "-9".
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    return a.size() != b.size() && a.compare(0, 19, b, 0, 19) == 0 ? a.size() < b.size() : a < b;
  });
  if (names.size() <= keep) return {};
  names.resize(names.size() - keep);
  return names;
}

std::string Entry(const Clock& time, const std::string& text) {
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "[%s:%s:%s.%03d] ", TwoDigits(time.hour).c_str(), TwoDigits(time.minute).c_str(),
                TwoDigits(time.second).c_str(), time.millisecond);
  const std::string indent(std::string(stamp).size(), ' ');
  std::string body = Indented(text, indent);
  return stamp + body.substr(indent.size());
}

std::string Block(const std::string& heading, const std::string& bytes, std::size_t kept) {
  std::string out = "  --- " + heading + " ---\r\n";
  if (bytes.size() <= kept) {
    if (!bytes.empty()) out += Indented(bytes, "  | ");
  } else {
    const std::size_t headEnd = LineStartAtOrBefore(bytes, kept / 2);
    const std::size_t tailStart = LineStartAtOrAfter(bytes, bytes.size() - kept / 2);
    if (headEnd > 0) out += Indented(bytes.substr(0, headEnd), "  | ");
    const auto lines = std::count(bytes.begin() + headEnd, bytes.begin() + tailStart, '\n');
    out += "  [" + std::to_string(tailStart - headEnd) + " bytes, " + std::to_string(lines) +
           (lines == 1 ? " line" : " lines") + " left out]\r\n";
    if (tailStart < bytes.size()) out += Indented(bytes.substr(tailStart), "  | ");
  }
  return out + "  --- end of " + heading + " ---\r\n";
}

}  // namespace supportlog
