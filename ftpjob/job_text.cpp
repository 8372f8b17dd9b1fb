#include "ftpjob/job_text.h"

namespace jobtext {

std::string ToTextMode(const std::string& text) {
  std::string stored;
  stored.reserve(text.size() + text.size() / 16 + 2);
  for (const char byte : text) {
    if (byte == '\n') stored += '\r';
    stored += byte;
  }
  return stored;
}

std::string LauncherLine(const std::string& scriptPath, const std::string& logPath) {
  return "ftp -s:\"" + scriptPath + "\" > \"" + logPath + "\"\n";
}

std::string ScriptHeader(const HostAddress& address, const std::string& userId, const std::string& password) {
  std::string open = "open ";
  for (int i = 0; i < 4; ++i) {
    if (i > 0) open += '.';
    open += std::to_string(static_cast<unsigned>(address.value[i]));
  }
  return open + "\n" + userId + "\n" + password + "\nbinary\nDEBUG T1 3600\n";
}

std::string RemoteCommandLine(const std::string& command) { return "quote rcmd \"" + command + "\"\n"; }

std::string PutLine(const std::string& localPath, const std::string& remoteName) {
  return "put \"" + localPath + "\" " + remoteName + " (replace\n";
}

std::string QuitLine() { return "quit\n"; }

}  // namespace jobtext
