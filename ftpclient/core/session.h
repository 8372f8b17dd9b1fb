// One run of the client: reads commands, talks to the server, and writes the transcript that
// the Windows command-line client would write for the same script. Knows no operating system.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ftpclient/core/messages.h"
#include "ftpclient/core/reply.h"
#include "ftpclient/core/script_text.h"
#include "ftpclient/core/tls_policy.h"
#include "ftpclient/core/transport.h"

namespace ftpclient {

// The time limits of passive mode, in which this client is shipped rather than standing in for the
// Windows client: long enough for the slowest restore the host runs while the client waits for its
// reply, and for a host that pauses while it stores an upload.
constexpr TimeLimits kPassiveTimeLimits{30, 30 * 60, 5 * 60};

// How far one answer of the server (what it says while the client waits for it) may go on before
// the client gives up: a guard against a server that never stops talking, which would fill the disk
// that holds the log. The Windows client has none, so as its stand-in (active mode) this client has
// none either; shipped for passive mode it keeps to kPassiveAnswerLimits, far beyond the longest
// answer of any real host (a job log of a few MiB). The time counts from the answer's first line
// until a line that ends it: a host that works in silence before it answers is not talking.
struct AnswerLimits {
  std::uint64_t bytes = 0;    // 0: no limit
  std::uint64_t seconds = 0;  // 0: no limit
};
constexpr AnswerLimits kPassiveAnswerLimits{std::uint64_t{1} << 30, 60 * 60};

struct SessionSettings {
  std::uint16_t port = 21;  // used when "open" names no port
  // One limit for every wait, set by a test; 0: none, the client waits as long as the Windows
  // client does (for ever), or in passive mode as long as kPassiveTimeLimits allow.
  unsigned timeoutSeconds = 0;
  bool debug = false;
  bool autoLogin = true;
  Language language = Language::kEnglish;
  // Test switch: the server's reply to the user name or password continues the prompt's line
  // instead of starting one of its own. Whether the Windows client ends the prompt's line in a
  // redirected log is not known, so a reader of the log must cope with both.
  bool replyOnPromptLine = false;
  // A test's own answer limits, in either mode; zero: those of the mode.
  AnswerLimits answerLimits;
};

class FtpSession {
 public:
  FtpSession(Transport& transport, LocalFiles& files, Transcript& out, const SessionSettings& settings);

  // Connects to a host named on the command line, as "open host" would.
  void OpenAtStart(const std::string& host, LineSource& commands);
  // Runs commands until "quit" or the end of the input; a connection still open then is closed.
  void Run(LineSource& commands);

 private:
  bool Execute(const std::string& line, LineSource& commands);  // false after "quit"
  void Open(const std::vector<std::string>& words, LineSource& commands);
  bool Connect(const std::vector<std::string>& words);
  void LogOn(LineSource& commands, int& answersLeft);
  // Writes a log-on prompt and takes its answer; false when the input has ended.
  bool Prompt(const std::string& prompt, LineSource& commands, std::string& answer);
  void Simple(const std::string& command);
  void Quote(std::string_view text);
  void Put(const std::vector<std::string>& words);
  bool SendFile(LocalFileReader& file, const std::string& localPath, std::uint64_t& bytesSent);
  std::size_t SendBufferBytes() const;
  void ChangeDirectory(const std::vector<std::string>& words);
  void Close();
  void ToggleDebug();
  void ToggleHash();
  void SetPassive(const std::vector<std::string>& words);
  void SetTls(const std::vector<std::string>& words);
  // Passive mode, by the script's word or because TLS needs it, and its limits.
  bool UsesPassive() const { return passive_ || tls_.on; }
  void ApplyModeLimits();
  // After the greeting: AUTH TLS, the handshake, the certificate, PBSZ and PROT. False when the
  // session cannot go on protected; the connection is then closed and nothing of the log-on sent.
  bool SecureControl();
  bool RefuseTls(const std::string& why);
  // The handshake on a data connection just made; false (its line written) when it failed.
  bool ProtectData();
  // The line for a connection lost: the TLS layer's reason when it had one.
  std::string LostLine(const char* fallback, const char* consequence);
  // Sends PORT or PASV and then STOR; true when the server is ready to take the upload, in
  // passive mode over the data connection made.
  bool StartUpload(const std::string& remoteName);
  bool ConnectPassive();

  // Sends one command and reads its reply; the reply code, or 0 when the connection was lost.
  int Command(const std::string& command);
  int ReadReply();
  // Reads replies while they are preliminary (1xx).
  int ReadFinalReply(int code);
  // A new answer begins: what the server says from now on counts against the answer limits.
  void StartAnswer();
  // The limit this answer has passed, said as the client gives up; empty while within them.
  std::string AnswerLimitPassed(std::uint64_t nowMs) const;
  void Disconnect(std::string_view message);
  std::string TimeoutMessage(const char* connection, unsigned seconds, const char* consequence) const;
  void Line(std::string_view text);

  Transport& transport_;
  LocalFiles& files_;
  Transcript& out_;
  SessionSettings settings_;
  bool connected_ = false;
  bool debug_ = false;
  bool hash_ = false;
  bool passive_ = false;
  TlsOptions tls_;
  bool controlTls_ = false;  // the control connection carries TLS
  TimeLimits limits_;
  std::string hostName_;
  Ipv4Address serverAddress_{};
  std::string lastReplyLine_;  // the line that completed the last reply
  AnswerLimits answerLimits_;
  std::uint64_t answerBytes_ = 0;      // what the server has said of the current answer
  std::uint64_t answerStartedMs_ = 0;  // when its first line came; 0: none yet
  LineSplitter incoming_;
};

}  // namespace ftpclient
