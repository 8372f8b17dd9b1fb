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
// A block of bytes as they were (a script, a client's transcript): between a heading line and an
// end line, each of its lines indented, line ends made CR LF, and a last line without a line end
// closed.
std::string Block(const std::string& heading, const std::string& bytes);

}  // namespace supportlog
