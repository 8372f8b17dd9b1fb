#pragma once
// Whether the host has answered one command of a running job yet, read from the ftp client's log
// as it grows: the command's echo ("ftp> quote rcmd \"RSTLIB ...\"") and then the host's final
// reply to it (three digits and a blank; the lines of a long reply before it end in "NNN-"). The
// progress window moves on to its next status then, while the job goes on.
#include <cstddef>
#include <string>
#include <string_view>

class CommandReplyWatch {
 public:
  // command: the words an echoed command line holds, such as "RSTLIB " (upper case; the echo is
  // compared in upper case).
  explicit CommandReplyWatch(std::string command) : command_(std::move(command)) {}

  // The next bytes of the log; a poll may end anywhere, inside a line.
  void Feed(std::string_view appended);
  // Forgets everything read so far, as if the log were empty.
  void Reset() { *this = CommandReplyWatch(command_); }

  bool Answered() const { return answered_; }

 private:
  void EndLine();

  std::string command_;
  std::string head_;  // the first bytes of the line being read
  bool echoed_ = false;
  bool answered_ = false;
};
