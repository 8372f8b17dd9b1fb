#pragma once
// The support log's text rules, with no operating system: hiding the password, the file names of
// the logs and which of them to remove, and the lines themselves.
#include <cstddef>
#include <string>
#include <vector>

namespace supportlog {

inline constexpr char kMask[] = "****";
inline constexpr std::size_t kLogsKept = 20;

// Every occurrence of secret in text replaced by kMask. Letters are compared without regard to
// case (a host or a client may echo the password upper-cased), and byte by byte, so that no
// occurrence escapes, even one that starts inside a double-byte character. An empty secret
// changes nothing.
std::string MaskSecret(const std::string& text, const std::string& secret);

// A log's name from its start time: "20261208-150231-123.log" (sorting the names sorts the runs);
// attempt > 1 adds "-2", "-3"... for a name already taken.
struct Clock {
  int year, month, day, hour, minute, second, millisecond;
};
std::string LogFileName(const Clock& time, int attempt = 1);
// True for a name that LogFileName can give: only such files are ever removed.
bool IsLogFileName(const std::string& name);
// The names among names (a folder's listing) to remove so that only the newest keep logs stay.
std::vector<std::string> LogsToRemove(std::vector<std::string> names, std::size_t keep = kLogsKept);

// One entry: "[hh:mm:ss.mmm] " before the first line of text, the following lines indented to
// match, every line ending in CR LF.
std::string Entry(const Clock& time, const std::string& text);
// How much of one block the log keeps: what is longer keeps its first and its last lines, about
// half of this each, and says what it left out between them. A host may answer a command with its
// whole job log, millions of lines, which the verdict reads in full; the support log needs how the
// session began and how it ended, and twenty such logs must not fill a customer's disk.
inline constexpr std::size_t kBlockKept = 128 * 1024;

// A block of bytes as they were (a script, a client's transcript): between a heading line and an
// end line, each of its lines indented, line ends made CR LF, and a last line without a line end
// closed. Only whole lines are kept, so that the password, masked in the log, is never cut in two.
std::string Block(const std::string& heading, const std::string& bytes, std::size_t kept = kBlockKept);

}  // namespace supportlog
