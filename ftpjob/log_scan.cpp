#include "ftpjob/log_scan.h"

#include <string>
#include <vector>

#include "fileutil/cp932.h"

namespace logscan {
namespace {

constexpr std::string_view kLoggedOn = "LOGGED ON";
constexpr std::string_view kCommandPrompt = "FTP> ";
constexpr std::string_view kClientNote = "FTP:";
// How our own client (never Windows') words giving a connection up.
constexpr std::string_view kClientGaveUp = "> FTP: ";
constexpr std::string_view kConnectionAbandoned = "CONNECTION ABANDONED.";
constexpr std::string_view kClientTlsNote = "> FTP: TLS ";

bool IsLead(char byte) { return cp932::IsLeadByte(static_cast<unsigned char>(byte)); }

// Looks for the first occurrence of text that begins on a character boundary, and only that one
// is judged. The server's replies start with their reply code, so a text at the very start of a
// line is not a reply, and such a line does not count even if the text comes again later.
bool FirstOccurrenceAfterLineStart(std::string_view line, std::string_view text) {
  if (line.find(text) == std::string_view::npos) return false;  // most lines: a quick look is enough
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

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

struct Reply {
  int code = 0;        // 0: the line holds no reply
  bool final = false;  // "230 ..." ends a reply; "230-..." is followed by more of it
};

// A reply code at the start of text: three digits, then a blank, "-" or the line's end.
Reply ReplyAtStart(std::string_view text) {
  if (text.size() < 3 || !IsDigit(text[0]) || !IsDigit(text[1]) || !IsDigit(text[2])) return {};
  const char after = text.size() > 3 ? text[3] : '\r';
  if (after != ' ' && after != '-' && after != '\r') return {};
  return {(text[0] - '0') * 100 + (text[1] - '0') * 10 + (text[2] - '0'), after != '-'};
}

// The client's command prompt, once or more: a client that echoes its commands writes the
// command after it; one that does not writes the command's first output there, which may be the
// host's reply ("ftp> 221 QUIT subcommand received."), and a command with no output at all
// leaves its prompt in front of the next one ("ftp> ftp> ...").
std::string_view AfterCommandPrompts(std::string_view upper) {
  while (StartsWith(upper, kCommandPrompt)) upper = SkipBlanks(upper.substr(kCommandPrompt.size()));
  return upper;
}

// How a prompt ends, in any language: ":" or ">", or the full-width colon of code page 932.
// Compared on character boundaries only; no trail byte has the value of ":" or ">" anyway.
std::size_t PromptEndLength(std::string_view text) {
  if (!text.empty() && (text[0] == ':' || text[0] == '>')) return 1;
  return StartsWith(text, "\x81\x46") ? 2 : 0;
}

// The client writes its prompts without a line end, so the host's next reply may stand on the
// prompt's line: "User (10.1.1.1:(none)): 331 Enter password.", "パスワード:230 X LOGGED ON.".
// The reply is the first code found at the line's start or after a prompt's end and blanks;
// nothing after a code is looked at, so a reply text with ":" in it is never misread.
Reply ReplyAfterAnyPrompt(std::string_view upper) {
  Reply reply = ReplyAtStart(upper);
  for (std::size_t i = 0; reply.code == 0 && i < upper.size();) {
    const std::size_t promptEnd = PromptEndLength(upper.substr(i));
    if (promptEnd == 0) {
      i += IsLead(upper[i]) ? 2 : 1;
    } else {
      i += promptEnd;
      reply = ReplyAtStart(SkipBlanks(upper.substr(i)));
    }
  }
  return reply;
}

// The host's reply on a line, if any. Digits right after the command prompt are a reply, never a
// command (no command of a script starts with one); anything else there is the echo of a command,
// whose words are never read as a reply. "ftp: 80784 bytes sent in ..." (in any language) is the
// client's own note, whatever number stands in it.
Reply ReplyOf(std::string_view upper) {
  if (StartsWith(upper, kCommandPrompt)) return ReplyAtStart(AfterCommandPrompts(upper));
  if (StartsWith(upper, kClientNote)) return {};
  return ReplyAfterAnyPrompt(upper);
}

// A log-on is only the host's 230 reply that says "LOGGED ON": "530 User X not logged on." says
// the opposite.
bool IsLogOn(const Reply& reply, std::string_view upper) {
  return reply.code == 230 && FirstOccurrenceAfterLineStart(upper, kLoggedOn);
}

// Calls onLine with each complete line, as it stands and upper-cased, both without the line feed.
// A line feed right after a lead byte is that character's trail byte and ends no line; a log that
// ends after a lead byte, or without a line feed, ends in an unfinished line that is never looked
// at. A CR before the line feed is kept: it only ever follows the texts looked for.
template <typename OnLine>
void ForEachLine(std::string_view log, OnLine&& onLine) {
  // The line is upper-cased as it is scanned, in one buffer for every line: a host's answer may
  // run to millions of them. Only single-byte letters change: a trail byte may have the value of
  // a letter, so a double-byte character is copied whole.
  std::string upper;
  std::size_t start = 0;
  for (std::size_t i = 0; i < log.size(); ++i) {
    const char c = log[i];
    if (IsLead(c)) {
      upper += c;
      if (++i < log.size()) upper += log[i];
    } else if (c == '\n') {
      onLine(log.substr(start, i - start), std::string_view(upper));
      upper.clear();
      start = i + 1;
    } else {
      upper += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    }
  }
}

}  // namespace

LogVerdict ScanLog(std::string_view log, std::string_view errorText) {
  return ReadLog(log, {errorText}).verdicts.front();
}

namespace {

// Reads a transcript line by line into SessionFacts. The client's command prompt starts each
// command's part of the transcript; the Windows client echoes the command after it, and the host's
// replies that follow, up to the next prompt, answer that command.
class SessionReader {
 public:
  void Line(std::string_view upper, const Reply& reply, bool logOnLine) {
    if (StartsWith(upper, kClientGaveUp) && upper.find(kConnectionAbandoned) != std::string_view::npos) {
      facts_.clientGaveUp = true;
      return;
    }
    // Our client's account of TLS quotes the host's refusal ("... not available: 431 ...") and
    // certificate texts: none of it is a reply of its own (ReadTls reads these lines).
    if (StartsWith(upper, kClientTlsNote)) return;
    if (StartsWith(upper, kCommandPrompt)) {
      EndCommand();
      if (reply.code == 0) {
        Echo(AfterCommandPrompts(upper));
        return;
      }
    }
    if (logOnLine) facts_.loggedOn = true;
    if (reply.final) Answer(reply.code);
  }

  SessionFacts Facts() {
    EndCommand();
    // Without echoes the cd's reply can only be told by its kind: a 250, or a refusal, after
    // the log-on.
    if (!cdEchoed_) facts_.directoryAnswered = cdLikeReply_;
    return facts_;
  }

 private:
  enum class Command { kOther, kPut, kChangeDirectory };

  void Echo(std::string_view words) {
    command_ = StartsWith(words, "PUT ")  ? Command::kPut
               : StartsWith(words, "CD ") ? Command::kChangeDirectory
                                          : Command::kOther;
    if (command_ == Command::kChangeDirectory) cdEchoed_ = true;
  }

  // A transfer the host began and never ended kept nothing; nor did a put that the client echoed
  // and that never got as far as the host's completion reply (a local file it could not open, a
  // PORT refused, a connection lost).
  void EndCommand() {
    if (transferOpen_ || (command_ == Command::kPut && !putCompleted_)) UploadFailed(false);
    transferOpen_ = false;
    putCompleted_ = false;
    command_ = Command::kOther;
  }

  // A reply's final line: what it answered, and whether a transfer ended with it.
  void Answer(int code) {
    if (code == 230) {
      afterLogOn_ = true;
      facts_.answersAfterLogOn = 0;
      return;
    }
    if (code < 200) {
      if (code == 125 || code == 150) transferOpen_ = true;
      return;
    }
    if (code == 221) {
      facts_.sessionEnded = true;
    } else if (code == 421) {
      facts_.hostClosed = true;
    } else if (afterLogOn_) {
      ++facts_.answersAfterLogOn;
      if (!transferOpen_ && (code == 250 || (code >= 500 && code < 600))) cdLikeReply_ = true;
    }
    // 425 and 426 are only ever said of a data connection, so they need no echo to be placed.
    const bool dataConnectionFailed = code == 425 || code == 426;
    if (transferOpen_) EndTransfer(code == 226 || code == 250, dataConnectionFailed);
    if (dataConnectionFailed || (command_ == Command::kPut && code >= 400)) UploadFailed(dataConnectionFailed);
    if (command_ == Command::kChangeDirectory) facts_.directoryAnswered = true;
  }

  void EndTransfer(bool completed, bool dataConnectionFailed) {
    transferOpen_ = false;
    if (!completed) UploadFailed(dataConnectionFailed);
    if (completed && command_ == Command::kPut) putCompleted_ = true;
  }

  // Only the first upload that failed tells why: what fails after it may be its consequence.
  void UploadFailed(bool dataConnectionFailed) {
    if (facts_.uploadsSent) facts_.activeModeBlocked = dataConnectionFailed && afterLogOn_ && !facts_.hostClosed;
    facts_.uploadsSent = false;
  }

  SessionFacts facts_;
  Command command_ = Command::kOther;
  bool transferOpen_ = false;  // the host began a transfer (125, 150) and has not ended it yet
  bool putCompleted_ = false;  // the echoed put's transfer ended in the host's completion reply
  bool afterLogOn_ = false;
  bool cdEchoed_ = false;
  bool cdLikeReply_ = false;
};

}  // namespace

namespace {

constexpr std::string_view kTlsLine = "> ftp: TLS ";

bool IsLowerHex(std::string_view text) {
  for (const char c : text) {
    if (!IsDigit(c) && (c < 'a' || c > 'f')) return false;
  }
  return true;
}

// The text after prefix, when the line starts with it; without the line's CR, and with the
// client's closing "; not logged on." left off, which says nothing the outcome does not.
bool After(std::string_view line, std::string_view prefix, std::string& rest) {
  if (!StartsWith(line, prefix)) return false;
  line.remove_prefix(prefix.size());
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  constexpr std::string_view kNotLoggedOn = "; not logged on.";
  if (line.size() >= kNotLoggedOn.size() && line.substr(line.size() - kNotLoggedOn.size()) == kNotLoggedOn) {
    line.remove_suffix(kNotLoggedOn.size());
  }
  rest = std::string(line);
  return true;
}

// The control connection's handshake, in the order the client writes its lines: established, the
// certificate, the verdict on it, and where the host then refuses to protect the data (PBSZ, PROT),
// "not available" after all.
void ReadTlsLine(std::string_view line, TlsFacts& tls, bool& established) {
  line.remove_prefix(kTlsLine.size());
  std::string rest;
  if (After(line, "not available: ", rest)) {
    tls.outcome = TlsOutcome::kNotAvailable;
    tls.reason = rest;
    established = false;
  } else if (After(line, "handshake failed: ", rest)) {
    tls.outcome = TlsOutcome::kHandshakeFailed;
    tls.reason = rest;
    established = false;
  } else if (After(line, "established: ", rest)) {
    tls = TlsFacts{};
    tls.session = rest;
    established = true;
  } else if (!established) {
    return;  // certificate lines belong to a handshake that came before them
  } else if (After(line, "certificate SHA-256 ", rest)) {
    if (rest.size() == 64 && IsLowerHex(rest)) tls.fingerprint = rest;
  } else if (After(line, "certificate subject ", rest)) {
    tls.subject = rest;
  } else if (After(line, "certificate issuer ", rest)) {
    tls.issuer = rest;
  } else if (After(line, "certificate valid ", rest)) {
    tls.validity = rest;
  } else if (After(line, "certificate accepted: ", rest)) {
    tls.outcome = TlsOutcome::kEstablished;
    tls.acceptedBy = rest;
    established = false;
  } else if (After(line, "certificate refused", rest)) {
    tls.outcome = TlsOutcome::kRefused;
    established = false;
  }
}

}  // namespace

namespace {

// The TLS lines before the log-on. Only what came before it decides whether the log-on went over
// TLS: a TLS failure on a data connection later, in words like the handshake's, does not.
class TlsReader {
 public:
  void Line(std::string_view line, bool logOnLine) {
    if (loggedOn_) return;
    if (StartsWith(line, kTlsLine)) {
      ReadTlsLine(line, tls_, established_);
    } else if (logOnLine) {
      loggedOn_ = true;
    }
  }

  TlsFacts Facts() const {
    TlsFacts tls = tls_;
    // A handshake whose certificate was never judged did not get as far as the log-on.
    if (established_) tls.outcome = TlsOutcome::kHandshakeFailed;
    return tls;
  }

 private:
  TlsFacts tls_;
  bool established_ = false;  // a handshake whose certificate has not been judged yet
  bool loggedOn_ = false;
};

}  // namespace

LogReading ReadLog(std::string_view log, const std::vector<std::string_view>& errorTexts) {
  bool loggedOn = false;
  std::vector<bool> errorFound(errorTexts.size(), false);
  SessionReader session;
  TlsReader tls;
  ForEachLine(log, [&](std::string_view line, std::string_view upper) {
    const Reply reply = ReplyOf(upper);
    const bool logOnLine = IsLogOn(reply, upper);
    if (logOnLine) loggedOn = true;
    for (std::size_t i = 0; i < errorTexts.size(); ++i) {
      if (!errorFound[i] && !errorTexts[i].empty() && FirstOccurrenceAfterLineStart(upper, errorTexts[i])) {
        errorFound[i] = true;
      }
    }
    session.Line(upper, reply, logOnLine);
    tls.Line(line, logOnLine);
  });
  LogReading reading;
  for (const bool found : errorFound) {
    reading.verdicts.push_back(!loggedOn ? LOG_NOT_LOGGED_ON : found ? LOG_ERROR_FOUND : LOG_OK);
  }
  reading.session = session.Facts();
  reading.session.tls = tls.Facts();
  return reading;
}

TlsFacts ReadTls(std::string_view log) { return ReadLog(log, {}).session.tls; }

SessionFacts ReadSession(std::string_view log) { return ReadLog(log, {}).session; }

}  // namespace logscan
