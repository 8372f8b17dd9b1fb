#include "ftpjob/log_scan.h"

#include <functional>
#include <string>

#include "fileutil/cp932.h"

namespace logscan {
namespace {

constexpr std::string_view kLoggedOn = "LOGGED ON";
constexpr std::string_view kCommandEcho = "FTP> ";
constexpr std::string_view kBytesSent = "BYTES SENT IN";

bool IsLead(char byte) { return cp932::IsLeadByte(static_cast<unsigned char>(byte)); }

// Upper-cases the single-byte letters. A trail byte may have the value of a letter, so a
// double-byte character is stepped over whole.
std::string UpperCased(std::string_view line) {
  std::string upper(line);
  for (std::size_t i = 0; i < upper.size(); ++i) {
    if (IsLead(upper[i])) {
      ++i;
    } else if (upper[i] >= 'a' && upper[i] <= 'z') {
      upper[i] = static_cast<char>(upper[i] - 'a' + 'A');
    }
  }
  return upper;
}

// Looks for the first occurrence of text that begins on a character boundary, and only that one
// is judged. The server's replies start with their reply code, so a text at the very start of a
// line is not a reply, and such a line does not count even if the text comes again later.
bool FirstOccurrenceAfterLineStart(std::string_view line, std::string_view text) {
  for (std::size_t i = 0; i < line.size(); i += IsLead(line[i]) ? 2 : 1) {
    if (line.substr(i, text.size()) == text) return i > 0;
  }
  return false;
}

bool StartsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

std::string_view SkipBlanks(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  return text;
}

// The client writes its log-on prompts without a line end, so the host's next reply may stand on
// the same line: "User (10.1.1.1:(none)): 331 Enter password." or "Password:230 X logged on.".
std::string_view WithoutPrompts(std::string_view upper) {
  for (;;) {
    if (StartsWith(upper, "USER (")) {
      const std::size_t end = upper.find("):");
      if (end == std::string_view::npos) return upper;
      upper = SkipBlanks(upper.substr(end + 2));
    } else if (StartsWith(upper, "PASSWORD:")) {
      upper = SkipBlanks(upper.substr(9));
    } else {
      return upper;
    }
  }
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The reply code of a reply line ("230 ..." or "230-..."), 0 for any other line.
int ReplyCode(std::string_view upper) {
  const std::string_view text = WithoutPrompts(upper);
  if (text.size() < 4 || !IsDigit(text[0]) || !IsDigit(text[1]) || !IsDigit(text[2])) return 0;
  if (text[3] != ' ' && text[3] != '-' && text[3] != '\r') return 0;
  return (text[0] - '0') * 100 + (text[1] - '0') * 10 + (text[2] - '0');
}

bool IsLogOnLine(std::string_view upper) {
  return ReplyCode(upper) == 230 && FirstOccurrenceAfterLineStart(upper, kLoggedOn);
}

// Calls onLine with each complete line, upper-cased and without its line feed. A line feed right
// after a lead byte is that character's trail byte and ends no line; a log that ends after a lead
// byte, or without a line feed, ends in an unfinished line that is never looked at.
void ForEachLine(std::string_view log, const std::function<void(std::string_view)>& onLine) {
  std::string line;
  for (std::size_t i = 0; i < log.size(); ++i) {
    const char byte = log[i];
    if (IsLead(byte)) {
      if (i + 1 == log.size()) break;
      line += byte;
      line += log[++i];
    } else if (byte == '\n') {
      onLine(UpperCased(line));
      line.clear();
    } else {
      line += byte;  // a CR too: it only ever follows the texts looked for
    }
  }
}

}  // namespace

LogVerdict ScanLog(std::string_view log, std::string_view errorText) {
  bool loggedOn = false;
  bool errorFound = false;
  ForEachLine(log, [&](std::string_view upper) {
    if (IsLogOnLine(upper)) loggedOn = true;
    if (!errorText.empty() && FirstOccurrenceAfterLineStart(upper, errorText)) errorFound = true;
  });
  if (!loggedOn) return LOG_NOT_LOGGED_ON;
  return errorFound ? LOG_ERROR_FOUND : LOG_OK;
}

SessionFacts ReadSession(std::string_view log) {
  SessionFacts facts;
  // The client echoes each script command after "ftp> "; what follows, up to the next echo, is
  // that command's part of the transcript.
  enum class Command { kOther, kPut, kChangeDirectory } command = Command::kOther;
  bool putConfirmed = true;
  // A client that does not echo its commands: then the host's answer to a cd is any reply of
  // the kinds a cd draws (250, or a refusal) after the log-on.
  bool echoed = false;
  bool cdLikeReply = false;
  const auto endCommand = [&] {
    if (command == Command::kPut && !putConfirmed) facts.uploadsSent = false;
  };
  ForEachLine(log, [&](std::string_view upper) {
    if (StartsWith(upper, kCommandEcho)) {
      echoed = true;
      endCommand();
      const std::string_view words = upper.substr(kCommandEcho.size());
      command = StartsWith(words, "PUT ")  ? Command::kPut
                : StartsWith(words, "CD ") ? Command::kChangeDirectory
                                           : Command::kOther;
      putConfirmed = false;
      return;
    }
    const int code = ReplyCode(upper);
    if (IsLogOnLine(upper)) facts.loggedOn = true;
    if (code == 221) facts.sessionEnded = true;
    if (command == Command::kChangeDirectory && code != 0) facts.directoryAnswered = true;
    if (facts.loggedOn && code != 230 && (code == 250 || (code >= 500 && code < 600))) cdLikeReply = true;
    if (command == Command::kPut) {
      if (code >= 400) facts.uploadsSent = false;
      if (upper.find(kBytesSent) != std::string_view::npos) putConfirmed = true;
    }
  });
  endCommand();
  if (!echoed) facts.directoryAnswered = cdLikeReply;
  return facts;
}

}  // namespace logscan
