#pragma once
// Reads what the ftp client has appended to its log since the last look, while the job runs.
//
// The log is opened only for the moment of a read, shared for reading, writing and deleting, so the
// client can always go on writing it, and it is never touched before the command interpreter has
// written its first byte (an open of ours must not race the interpreter creating it). Nothing
// here changes the file, so the verdicts read after the job see exactly what the client wrote.
#include <cstdint>
#include <string>

class LogTail {
 public:
  explicit LogTail(std::string path) : path_(std::move(path)) {}

  enum class Read {
    kAppended,    // appended holds what is new (possibly nothing)
    kRestarted,   // the log is shorter than what was read: it was made anew; appended holds it all
    kUnreadable,  // the log cannot be opened or read now; try again at the next poll
  };
  Read ReadAppended(std::string& appended);

 private:
  std::string path_;
  std::uint64_t offset_ = 0;
};
