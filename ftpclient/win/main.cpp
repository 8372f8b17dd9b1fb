// ftp.exe: a stand-in for the Windows command-line FTP client, for Wine, which has none. It runs
// a command script given with -s: and writes the same kind of transcript to standard output.
#include <winsock2.h>
#include <windows.h>

#include <cstdio>
#include <iostream>
#include <string>

#include "fileutil/dll_search.h"
#include "ftpclient/core/command_line.h"
#include "ftpclient/core/session.h"
#include "ftpclient/win/local_files.h"
#include "ftpclient/win/winsock_transport.h"

namespace {

using namespace ftpclient;

const char kPortVariable[] = "KESTRALON_FTP_PORT";
// Unset, the client has no time limit, as the Windows client has none; tests set one.
const char kTimeoutVariable[] = "KESTRALON_FTP_TIMEOUT";
// "en" or "ja" instead of the user interface language, so a test chooses the client's words.
const char kLanguageVariable[] = "KESTRALON_FTP_LANGUAGE";
// "1": the reply to the user name or password stays on the prompt's line (a test switch).
const char kReplyOnPromptVariable[] = "KESTRALON_FTP_REPLY_ON_PROMPT";

// Writes straight to the standard output handle, unbuffered, so a redirected log holds every
// line written so far even if the process is ended from outside.
class ConsoleTranscript : public Transcript {
 public:
  void Write(std::string_view text) override {
    std::string stored = WithCrLf(text);
    HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    const char* data = stored.data();
    DWORD left = static_cast<DWORD>(stored.size());
    while (left > 0) {
      DWORD written = 0;
      if (!WriteFile(output, data, left, &written, nullptr) || written == 0) return;
      data += written;
      left -= written;
    }
  }
};

class StandardInputLines : public LineSource {
 public:
  bool Next(std::string& line) override {
    if (!std::getline(std::cin, line)) return false;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return true;
  }
};

bool ReadVariable(const char* name, std::string& value) {
  char buffer[64];
  DWORD length = GetEnvironmentVariableA(name, buffer, sizeof buffer);
  if (length == 0 || length >= sizeof buffer) return false;
  value.assign(buffer, length);
  return true;
}

void Warn(const char* name, const std::string& value) {
  std::fprintf(stderr, "ftp: ignoring %s=%s\n", name, value.c_str());
}

SessionSettings SettingsFrom(const ClientOptions& options) {
  SessionSettings settings;
  settings.debug = options.debug;
  settings.autoLogin = options.autoLogin;
  std::string value;
  if (ReadVariable(kPortVariable, value)) {
    if (auto port = ParsePortNumber(value))
      settings.port = *port;
    else
      Warn(kPortVariable, value);
  }
  if (ReadVariable(kTimeoutVariable, value)) {
    if (auto seconds = ParseTimeoutSeconds(value))
      settings.timeoutSeconds = *seconds;
    else
      Warn(kTimeoutVariable, value);
  }
  settings.language = LanguageOfUiLanguage(GetUserDefaultUILanguage());
  if (ReadVariable(kLanguageVariable, value)) {
    if (auto language = ParseLanguageName(value))
      settings.language = *language;
    else
      Warn(kLanguageVariable, value);
  }
  if (ReadVariable(kReplyOnPromptVariable, value)) {
    if (value == "1" || value == "0")
      settings.replyOnPromptLine = value == "1";
    else
      Warn(kReplyOnPromptVariable, value);
  }
  return settings;
}

int RunClient(const ClientOptions& options) {
  ConsoleTranscript out;
  if (!options.error.empty()) {
    out.Write(std::string("ftp: ") + options.error + "\n" + kUsageText);
    return 1;
  }
  std::string script;
  if (!options.scriptPath.empty() && !ReadWholeFile(options.scriptPath, script)) {
    out.Write("Error opening script file " + options.scriptPath + ".\n");
    return 1;
  }
  SessionSettings settings = SettingsFrom(options);
  WinsockTransport transport;
  Win32LocalFiles files;
  FtpSession session(transport, files, out, settings);
  ScriptLines scriptLines(std::move(script));
  StandardInputLines inputLines;
  LineSource& commands = options.scriptPath.empty() ? static_cast<LineSource&>(inputLines) : scriptLines;
  if (!options.host.empty()) session.OpenAtStart(options.host, commands);
  session.Run(commands);
  return 0;
}

}  // namespace

int main() {
  RestrictDllSearchToSystemFolder();  // before anything can load a DLL by name
  WSADATA winsock;
  if (WSAStartup(MAKEWORD(2, 2), &winsock) != 0) {
    std::fprintf(stderr, "ftp: Windows Sockets could not be started\n");
    return 1;
  }
  int status = RunClient(ParseCommandLine(GetCommandLineA()));
  WSACleanup();
  return status;
}
