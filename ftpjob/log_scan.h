#pragma once
// The verdict on an FTP client's transcript, over its raw bytes. The transcript is code page 932
// text whose lines end in CR LF; the host's reply texts are found in upper-cased lines.
#include <string>
#include <string_view>
#include <vector>

#include "ftpjob/log_verdict.h"

namespace logscan {

// Whether some complete line shows a log-on, and whether some complete line shows errorText
// (exactly as given, not upper-cased; empty: none). A log-on is only the host's 230 reply that
// says "LOGGED ON": "530 User X not logged on." says the opposite. A text counts only where its
// first occurrence in the line starts after the line's first byte. A last line without a line
// feed never counts. Never gives LOG_UNREADABLE: reading the log is the caller's.
LogVerdict ScanLog(std::string_view log, std::string_view errorText);

// What a transcript shows of the session as a whole: how far it got, not what a command said.
// Only the host's replies decide: the client's own lines differ with its language and its make.
// A reply counts where its code starts the line or follows a prompt the client wrote before it on
// the same line ("User (h:(none)): 331 ...", "パスワード:230 ...", "ftp> 221 ...").
// What our own client's log says of TLS ("> ftp: TLS ..." lines, written in English whatever the
// client's language). Windows' client knows no TLS and writes none of them.
enum class TlsOutcome {
  kNotTried,         // no TLS line: a client without TLS, or no connection at all
  kNotAvailable,     // the host answered AUTH TLS with something else than 234: nothing was sent
  kHandshakeFailed,  // the handshake failed, or never came to a verdict on the certificate
  kRefused,          // the certificate matched no pin and no trusted chain: nothing was sent
  kEstablished,      // the certificate was accepted and the log-on went over TLS
};
struct TlsFacts {
  TlsOutcome outcome = TlsOutcome::kNotTried;
  std::string reason;       // not available, handshake failed: the client's words for why
  std::string session;      // "<protocol> <cipher>"
  std::string fingerprint;  // the certificate's SHA-256, 64 lower-case hex digits; empty: none shown
  std::string subject;
  std::string issuer;
  std::string validity;    // "<from> to <to> UTC"
  std::string acceptedBy;  // "pin", "system" or "any"
};
// A line of the client counts only when the log holds it whole (with its line end), as a reply does.
TlsFacts ReadTls(std::string_view log);

struct SessionFacts {
  bool loggedOn = false;           // the host's 230 reply
  bool sessionEnded = false;       // the host's 221 reply to quit: every command before was answered
  bool uploadsSent = true;         // every transfer the host began (125/150) it ended with 226 or 250,
                                   // every put the client echoed got that far, and no reply refused
                                   // one (4xx, 5xx; 425 and 426 also from a client that echoes nothing)
  bool directoryAnswered = false;  // some cd the client echoed drew a reply from the host (from
                                   // a client that echoes nothing: a 250 or 5xx after the log-on)
  int answersAfterLogOn = 0;       // the final replies after the log-on, the 221 and a 421 aside: one
                                   // for each command the host answered (a put sends two: PORT or
                                   // PASV, then STOR)
  bool hostClosed = false;         // a 421: the host gave the session up, and answered nothing more
  bool activeModeBlocked = false;  // the first upload that failed drew 425 or 426 (the host could not
                                   // open, or lost, the data connection), after the log-on and
                                   // before the host gave the session up: a firewall in the way
  bool clientGaveUp = false;       // our own client, shipped for passive mode, ended the connection
                                   // itself ("> ftp: ...; connection abandoned."): the host stopped
                                   // answering, or never ended an answer. Windows' client never does.
  TlsFacts tls;
};
SessionFacts ReadSession(std::string_view log);

// ScanLog for each of errorTexts and ReadSession, in one pass over the log: a host may answer a
// command with its whole job log, millions of lines.
struct LogReading {
  std::vector<LogVerdict> verdicts;  // one for each error text, in their order
  SessionFacts session;
};
LogReading ReadLog(std::string_view log, const std::vector<std::string_view>& errorTexts);

}  // namespace logscan
