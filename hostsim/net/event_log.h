#pragma once
// The server's log: one line per event, time-stamped, flushed at once so that a test can follow
// it while the server runs. Callers pass text already masked (FtpSession::LoggedForm).
#include <cstdio>
#include <string>

namespace hostsim {

class EventLog {
 public:
  // An empty path logs to standard error.
  bool Open(const std::string& path);
  ~EventLog();
  void Write(unsigned long connection, const std::string& text);

 private:
  std::FILE* file_ = stderr;
};

}  // namespace hostsim
