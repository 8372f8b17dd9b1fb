#pragma once
// Logs of the installer's jobs as the Windows ftp client writes them, in pieces that each case puts
// together: English Windows against a host that answers in mixed case, and Japanese Windows (code
// page 932) against a Japanese host that answers in upper case. The pieces follow public
// transcripts; the Japanese texts of the hash and debug lines are not known and stand in here.
#include <string>

namespace transcripts {

enum class Language { kEnglish, kJapanese };

struct Client {
  Language language = Language::kEnglish;
  bool repliesOnPromptLines = false;  // the host's reply on the user and password prompts' line
};

inline bool Japanese(const Client& c) { return c.language == Language::kJapanese; }

// The host's reply: a Japanese host answers in upper case.
inline std::string Host(const Client& c, const std::string& reply) {
  std::string text = reply;
  for (char& ch : text) {
    if (Japanese(c) && ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
  }
  return text + "\r\n";
}

inline std::string Echo(const std::string& command) { return "ftp> " + command + "\r\n"; }

// Connection, log-on and the lines every script starts with (binary, hash, debug).
inline std::string Head(const Client& c) {
  const std::string promptEnd = c.repliesOnPromptLines ? "" : "\r\n";
  return Echo("open 192.168.1.20") +
         (Japanese(c) ? "192.168.1.20 に接続しました。\r\n" : "Connected to 192.168.1.20.\r\n") +
         Host(c, "220-QTCP at host.example.co.jp.") +
         Host(c, "220 Connection will close if idle more than 5 minutes.") +
         Host(c, "501 OPTS unsuccessful; specified subcommand not recognized.") +
         (Japanese(c) ? "ユーザー (192.168.1.20:(none)): " : "User (192.168.1.20:(none)): ") + promptEnd +
         Host(c, "331 Enter password.") + (Japanese(c) ? "パスワード:" : "Password:") + promptEnd +
         Host(c, "230 KSTUSER logged on.") + Echo("binary") + Host(c, "200 Representation type is binary IMAGE.") +
         Echo("hash") +
         (Japanese(c) ? "ハッシュ記号の印刷 オン  ftp: (2048 バイト/ハッシュ記号) .\r\n"
                      : "Hash mark printing On  ftp: (2048 bytes/hash mark) .\r\n") +
         Echo("DEBUG T1 3600") + (Japanese(c) ? "デバッグ オン (debug=1)。\r\n" : "Debugging On (debug=1).\r\n");
}

// A remote command and the host's answer: done, or "Error occurred on command ...".
inline std::string Rcmd(const Client& c, const std::string& command, bool ok = true) {
  const std::string verb = command.substr(0, command.find(' '));
  return Echo("quote rcmd \"" + command + "\"") + "---> rcmd \"" + command + "\"\r\n" +
         (ok ? Host(c, "250 Command " + verb + " successful.")
             : Host(c, "550-Error occurred on command " + verb + ".") +
                   Host(c, "550 CPF9999: Function check. Command ended in error."));
}

enum class PutEnd {
  k226,           // completed, as most releases say it
  k250,           // completed, as some releases end a STOR
  kRefused425,    // the host could not open the data connection
  kAborted426,    // the data connection was lost during the transfer
  kNoCompletion,  // 150, then the control connection was lost
  kNoLocalFile,   // the client could not open the file and sent nothing
};

// The client's own line after a transfer; it is written in the client's language and decides
// nothing, so the failing cases write it too.
inline std::string BytesSent(const Client& c) {
  return Japanese(c) ? "ftp: 232848 バイトが送信されました 0.03秒 7761.60KB/秒。\r\n"
                     : "ftp: 232848 bytes sent in 0.03Seconds 7761.60Kbytes/sec.\r\n";
}

inline std::string Put(const Client& c, PutEnd end = PutEnd::k226) {
  const std::string echo = Echo("put \"C:\\TEMP\\ZEMO0000\\QSAVF.DAT\" /QSYS.LIB/QTEMP.LIB/QSAVF.FILE (replace");
  if (end == PutEnd::kNoLocalFile) return echo + "Error opening local file C:\\TEMP\\ZEMO0000\\QSAVF.DAT.\r\n";
  const std::string started = echo + "---> PORT 192,168,1,5,19,137\r\n" +
                              Host(c, "200 PORT subcommand request successful.") +
                              "---> STOR /QSYS.LIB/QTEMP.LIB/QSAVF.FILE\r\n";
  if (end == PutEnd::kRefused425) return started + Host(c, "425 Cannot open data connection.");
  const std::string sending = started + Host(c, "150 Sending file to member QSAVF in file QSAVF in library QTEMP.") +
                              "####################\r\n";
  switch (end) {
    case PutEnd::k226:
      return sending + Host(c, "226 File transfer completed successfully.") + BytesSent(c);
    case PutEnd::k250:
      return sending + Host(c, "250 File transfer completed successfully.") + BytesSent(c);
    case PutEnd::kAborted426:
      return sending + Host(c, "426 Data connection closed; transfer aborted.") + BytesSent(c);
    default:
      return sending + BytesSent(c) + "Connection closed by remote host.\r\n";
  }
}

inline std::string Cd(const Client& c, bool exists) {
  return Echo("cd KSTLIB") + "---> CWD KSTLIB\r\n" +
         (exists ? Host(c, "250 \"KSTLIB\" is current library.")
                 : Host(c, "550-Specified directory does not exist or cannot be accessed.") +
                       Host(c, "550 Working directory not changed."));
}

// The end of every script; the 221 may be lost on the way (a firewall race).
inline std::string Quit(const Client& c, bool answered = true) {
  return Echo("quit") + "---> QUIT\r\n" + (answered ? Host(c, "221 QUIT subcommand received.") : "");
}

// The same log from a client that does not echo its commands: it writes its prompt, and then the
// command's first output on the same line ("ftp> 221 QUIT subcommand received.").
inline std::string WithoutEchoes(const std::string& log) {
  std::string result;
  std::size_t start = 0;
  while (start < log.size()) {
    std::size_t end = log.find('\n', start);
    end = end == std::string::npos ? log.size() : end + 1;
    const std::string line = log.substr(start, end - start);
    result += line.compare(0, 5, "ftp> ") == 0 ? std::string("ftp> ") : line;
    start = end;
  }
  return result;
}

// The control connection lost: the client says so, and every later command finds it closed.
inline std::string Lost() { return "Connection closed by remote host.\r\n"; }
inline std::string NotConnected(const std::string& command) { return Echo(command) + "Not connected.\r\n"; }

}  // namespace transcripts
