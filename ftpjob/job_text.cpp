#include "ftpjob/job_text.h"

#include "fileutil/path_text.h"

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

namespace {

// cmd expands %NAME% inside a batch file even between quotes, so a folder such as "50%OFF" would
// lose its name; "%%" is read back as one "%". No trail byte of code page 932 is 0x25, so bytes
// can be doubled without regard to characters. The other bytes cmd treats specially (& ^ ( ) and
// blanks) are literal between the quotes, and "!" only matters with delayed expansion, which a
// batch file started this way does not have.
std::string QuotedForBatchFile(const std::string& path) {
  std::string quoted = "\"";
  for (const char byte : path) {
    if (byte == '%') quoted += '%';
    quoted += byte;
  }
  return quoted + "\"";
}

}  // namespace

std::string LauncherLine(const std::string& scriptPath, const std::string& logPath, const std::string& client) {
  // pushd, unlike cd, also changes the drive, and gives a network folder a drive letter of its own
  // (cmd cannot stand in a \\server\share folder); when it fails, the client does not run.
  std::string folder = DirectoryOf(scriptPath);
  if (folder.size() > 3) folder.pop_back();  // "C:\W\" as "C:\W"; a drive's root keeps its backslash
  const std::string program = client == "ftp" ? client : QuotedForBatchFile(client);
  return "pushd " + QuotedForBatchFile(folder) + " && " + program + " -s:" + QuotedForBatchFile(scriptPath) + " > " +
         QuotedForBatchFile(logPath) + "\n";
}

std::string ScriptFileName(const std::string& localPath, const std::string& scriptPath) {
  const std::string folder = DirectoryOf(scriptPath);
  if (folder.empty() || DirectoryOf(localPath) != folder) return localPath;
  return localPath.substr(folder.size());
}

bool IsAscii(const std::string& text) {
  for (const char byte : text) {
    if (static_cast<unsigned char>(byte) >= 0x80) return false;
  }
  return true;
}

std::string ScriptHeader(const HostAddress& address, const std::string& userId, const std::string& password) {
  std::string open = "open ";
  for (int i = 0; i < 4; ++i) {
    if (i > 0) open += '.';
    open += std::to_string(static_cast<unsigned>(address.value[i]));
  }
  // "hash" makes the client write a mark for every 2,048 bytes it sends: the installer reads them
  // from the log while a job runs, to show how far an upload has come.
  return open + "\n" + userId + "\n" + password + "\nbinary\nhash\nDEBUG T1 3600\n";
}

std::string PassiveLine() { return "passive\n"; }

std::string TlsLines(const TlsRequest& request) {
  if (!request.enabled) return std::string();
  std::string lines = "tls\n";
  for (const std::string& pin : request.pins) lines += "tls pin " + pin + "\n";
  if (request.trustSystem) lines += "tls trust-system\n";
  return lines;
}

std::string RemoteCommandLine(const std::string& command) { return "quote rcmd \"" + command + "\"\n"; }

std::string PutLine(const std::string& localPath, const std::string& remoteName) {
  return "put \"" + localPath + "\" " + remoteName + " (replace\n";
}

std::string QuitLine() { return "quit\n"; }

namespace {

std::string FirstWordLowerCased(const std::string& line) {
  std::string word;
  for (const char c : line) {
    if (c == ' ' || c == '\t' || c == '\r') {
      if (word.empty()) continue;
      break;
    }
    word += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  }
  return word;
}

int RepliesOwedBy(const std::string& word) {
  if (word.empty() || word == "hash" || word == "debug") return 0;
  return word == "put" ? 2 : 1;
}

}  // namespace

int HostRepliesOwed(const std::string& script) {
  constexpr int kLogOnLines = 3;  // open, the user name and the password
  int owed = 0;
  int lineNumber = 0;
  std::size_t start = 0;
  while (start < script.size()) {
    std::size_t end = script.find('\n', start);
    if (end == std::string::npos) end = script.size();
    const std::string word = FirstWordLowerCased(script.substr(start, end - start));
    start = end + 1;
    if (++lineNumber <= kLogOnLines) continue;
    if (word == "quit") break;
    owed += RepliesOwedBy(word);
  }
  return owed;
}

}  // namespace jobtext
