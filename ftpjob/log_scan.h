#pragma once
// The verdict on an FTP client's transcript, over its raw bytes. The transcript is code page 932
// text whose lines end in CR LF; the host's reply texts are found in upper-cased lines.
#include <string_view>

#include "ftpjob/log_verdict.h"

namespace logscan {

// Whether some complete line shows a log-on, and whether some complete line shows errorText
// (exactly as given, not upper-cased; empty: none). A log-on is only the host's 230 reply that
// says "LOGGED ON": "530 User X not logged on." says the opposite. A text counts only where its
// first occurrence in the line starts after the line's first byte. A last line without a line
// feed never counts. Never gives LOG_UNREADABLE: reading the log is the caller's.
LogVerdict ScanLog(std::string_view log, std::string_view errorText);

// What a transcript shows of the session as a whole: how far it got, not what a command said.
struct SessionFacts {
  bool loggedOn = false;           // the host's 230 reply
  bool sessionEnded = false;       // the host's 221 reply to quit: every command before was answered
  bool uploadsSent = true;         // every put the client echoed ended in its "bytes sent" line
                                   // and drew no 4xx or 5xx reply
  bool directoryAnswered = false;  // some cd the client echoed drew a reply from the host (from
                                   // a client that echoes nothing: a 250 or 5xx after the log-on)
};
SessionFacts ReadSession(std::string_view log);

}  // namespace logscan
