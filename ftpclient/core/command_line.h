// The client's own command line: "ftp [-v] [-d] [-i] [-n] [-g] [-s:file] [host]" as the
// Windows client takes it, read from the raw command line so that -s:"C:\path with spaces\x"
// arrives intact whatever the C runtime would make of quotes and backslashes.
#pragma once

#include <string>
#include <string_view>

namespace ftpclient {

struct ClientOptions {
  std::string scriptPath;  // empty: commands come from standard input
  std::string host;        // empty: no connection before the first "open"
  bool debug = false;
  bool autoLogin = true;  // -n turns the log-on prompts after "open" off
  std::string error;      // non-empty: the command line is wrong; print usage
};

// `commandLine` is the whole line including the program name, as GetCommandLineA gives it.
ClientOptions ParseCommandLine(std::string_view commandLine);

extern const char kUsageText[];

}  // namespace ftpclient
