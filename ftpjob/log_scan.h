#pragma once
// The verdict on an FTP client's transcript, over its raw bytes. The transcript is code page 932
// text whose lines end in CR LF; the host's reply texts are found in upper-cased lines.
#include <string_view>

#include "ftpjob/log_verdict.h"

namespace logscan {

// Whether some complete line shows a log-on, and whether some complete line shows errorText
// (exactly as given, not upper-cased; empty: none). A text counts only where its first occurrence
// in the line starts after the line's first byte. A last line without a line feed never counts.
// Never gives LOG_UNREADABLE: reading the log is the caller's.
LogVerdict ScanLog(std::string_view log, std::string_view errorText);

}  // namespace logscan
