#include "ftpclient/core/session.h"

#include <algorithm>
#include <cstdio>
#include <memory>

namespace ftpclient {

namespace {

// Large reads and sends, and a send buffer that takes several: under Wine every call is a round
// trip to the server process.
constexpr std::size_t kUploadChunkBytes = 1024 * 1024;
constexpr std::size_t kUploadSendBufferBytes = 4 * 1024 * 1024;
// With hash marks on, small pieces through a small buffer: a mark is written once its bytes are in
// the send buffer, so the buffer decides how far the marks run ahead of the host's receiving, and
// the piece how often a reader of the log sees them move. On a fast line that does not matter and
// small pieces only cost calls, so once an upload has shown itself fast, pieces and buffer grow.
constexpr std::size_t kHashedChunkBytes = 32 * 1024;
constexpr std::size_t kHashedSendBufferBytes = 64 * 1024;
constexpr std::uint64_t kFastAfterBytes = 1024 * 1024;          // judged only after the buffers filled
constexpr std::uint64_t kFastBytesPerSecond = 8 * 1024 * 1024;  // a LAN, not a branch office's line
constexpr std::uint64_t kHashMarkBytes = 2048;
const char kConnectionClosed[] = "Connection closed by remote host.";
// How long the end of a TLS session waits for the server's close_notify after its 221.
constexpr unsigned kCloseNotifySeconds = 5;

bool IsPositive(int code) { return code >= 200 && code < 300; }
bool IsPreliminary(int code) { return code >= 100 && code < 200; }
bool IsIntermediate(int code) { return code >= 300 && code < 400; }

// Words of a "put" line that are IBM-style options such as "(replace": STOR already replaces
// what is there, so they are accepted and need nothing further.
bool IsPutOption(const std::string& word) { return !word.empty() && word[0] == '('; }

// The hash marks of one upload: a '#' for each full block sent, written as the upload goes, and
// a line end after them once it ends, so that whatever follows starts a line of its own.
class HashMarks {
 public:
  HashMarks(Transcript& out, bool on) : out_(out), on_(on) {}

  void Sent(std::uint64_t bytesSoFar) {
    if (!on_) return;
    std::uint64_t due = bytesSoFar / kHashMarkBytes;
    if (due == printed_) return;
    out_.Write(std::string(static_cast<std::size_t>(due - printed_), '#'));
    printed_ = due;
  }

  void End() {
    if (printed_ > 0) out_.Write("\n");
    printed_ = 0;
  }

 private:
  Transcript& out_;
  bool on_;
  std::uint64_t printed_ = 0;
};

// The next piece of an upload with hash marks: doubled (up to the size without marks) while the
// upload has averaged a fast rate, the smallest otherwise.
std::size_t NextPieceBytes(std::size_t bytes, std::uint64_t sentSoFar, std::uint64_t elapsedMs) {
  const bool fast =
      sentSoFar >= kFastAfterBytes && sentSoFar * 1000 >= kFastBytesPerSecond * std::max<std::uint64_t>(elapsedMs, 1);
  return fast ? std::min(bytes * 2, kUploadChunkBytes) : kHashedChunkBytes;
}

}  // namespace

FtpSession::FtpSession(Transport& transport, LocalFiles& files, Transcript& out, const SessionSettings& settings)
    : transport_(transport), files_(files), out_(out), settings_(settings), debug_(settings.debug) {
  const unsigned all = settings.timeoutSeconds;
  limits_ = TimeLimits{all, all, all};
  transport_.SetTimeLimits(limits_);
  answerLimits_ = settings.answerLimits;
}

void FtpSession::OpenAtStart(const std::string& host, LineSource& commands) { Open({"open", host}, commands); }

void FtpSession::Run(LineSource& commands) {
  std::string line;
  while (commands.Next(line)) {
    if (!Execute(line, commands)) return;
  }
  if (connected_) Close();
}

bool FtpSession::Execute(const std::string& line, LineSource& commands) {
  std::vector<std::string> words = SplitWords(line);
  if (words.empty()) return true;
  Line("ftp> " + line);
  switch (LookUpCommand(words[0])) {
    case CommandKind::kNone:
      return true;
    case CommandKind::kAmbiguous:
      Line("Ambiguous command.");
      return true;
    case CommandKind::kInvalid:
      Line("Invalid command.");
      return true;
    case CommandKind::kOpen:
      Open(words, commands);
      return true;
    case CommandKind::kBinary:
      Simple("TYPE I");
      return true;
    case CommandKind::kAscii:
      Simple("TYPE A");
      return true;
    case CommandKind::kDebug:
      ToggleDebug();
      return true;
    case CommandKind::kHash:
      ToggleHash();
      return true;
    case CommandKind::kQuote:
      Quote(TextAfterFirstWord(line));
      return true;
    case CommandKind::kPut:
      Put(words);
      return true;
    case CommandKind::kCd:
      ChangeDirectory(words);
      return true;
    case CommandKind::kPwd:
      Simple("PWD");
      return true;
    case CommandKind::kClose:
      if (connected_) Close();
      return true;
    case CommandKind::kQuit:
      if (connected_) Close();
      return false;
    case CommandKind::kPassive:
      SetPassive(words);
      return true;
    case CommandKind::kTls:
      SetTls(words);
      return true;
  }
  return true;
}

// In a script the two lines after "open" answer the user-name and password prompts. They are
// taken as answers whatever becomes of the connection: read as commands, the password would be
// echoed into the transcript, which is often kept as a log file.
void FtpSession::Open(const std::vector<std::string>& words, LineSource& commands) {
  int answersLeft = settings_.autoLogin ? 2 : 0;
  if (Connect(words) && settings_.autoLogin) LogOn(commands, answersLeft);
  std::string unused;
  for (; answersLeft > 0 && commands.Next(unused); --answersLeft) {
  }
}

bool FtpSession::Connect(const std::vector<std::string>& words) {
  if (connected_) {
    Line("Already connected to " + hostName_ + ", use disconnect first.");
    return false;
  }
  std::uint16_t port = settings_.port;
  if (words.size() == 3) {
    auto named = ParsePortNumber(words[2]);
    port = named ? *named : 0;
  }
  if (words.size() < 2 || words.size() > 3 || port == 0) {
    Line("Usage: open host-name [port]");
    return false;
  }
  Endpoint server;
  server.port = port;
  std::string error;
  if (!transport_.Resolve(words[1], server.address, error)) {
    Line("Unknown host " + words[1] + ".");
    return false;
  }
  serverAddress_ = server.address;
  IoResult result = transport_.Connect(server, error);
  if (result != IoResult::kOk) {
    Line("> ftp: connect :" + (result == IoResult::kTimeout ? std::string("Connection timed out") : error));
    transport_.CloseControl();
    return false;
  }
  connected_ = true;
  StartAnswer();
  hostName_ = words[1];
  Line(ConnectedLine(settings_.language, hostName_));
  int greeting = ReadFinalReply(ReadReply());
  if (connected_ && !IsPositive(greeting)) Disconnect("");
  if (connected_ && tls_.on) return SecureControl();
  return connected_;
}

// Nothing of the log-on goes before TLS is up and the certificate accepted, so a host without
// TLS, or one that shows a certificate the script does not accept, never sees the user's name.
bool FtpSession::SecureControl() {
  int code = Command("AUTH TLS");
  if (code != 234) return RefuseTls(code == 0 ? "no reply" : lastReplyLine_);
  TlsPeer peer;
  std::string error;
  const IoResult result = transport_.StartControlTls(TlsRequest{hostName_, tls_.trustSystem}, peer, error);
  if (result != IoResult::kOk) {
    if (result == IoResult::kTimeout) error = "no progress for " + std::to_string(limits_.controlSeconds) + " seconds";
    // The server is in the middle of a handshake: a plain QUIT would be a protocol error to it,
    // and its answer would never come. The connection is closed instead.
    Disconnect("> ftp: TLS handshake failed: " + error + "; not logged on.");
    return false;
  }
  controlTls_ = true;
  const CertificateVerdict verdict = JudgeCertificate(tls_, peer);
  for (const std::string& line : CertificateLines(peer, verdict)) Line(line);
  if (verdict == CertificateVerdict::kRefused) {
    Close();
    return false;
  }
  // Without PROT P the data would go in clear: the script asked for TLS on every connection.
  code = Command("PBSZ 0");
  if (IsPositive(code)) code = Command("PROT P");
  if (!IsPositive(code)) return RefuseTls(code == 0 ? "no reply" : lastReplyLine_);
  return connected_;
}

bool FtpSession::RefuseTls(const std::string& why) {
  Line("> ftp: TLS not available: " + why + "; not logged on.");
  if (connected_) Close();
  return false;
}

bool FtpSession::ProtectData() {
  std::string error;
  const IoResult result = transport_.StartDataTls(error);
  if (result == IoResult::kOk) return true;
  if (result == IoResult::kTimeout) error = "no progress for " + std::to_string(limits_.dataSeconds) + " seconds";
  Line("> ftp: TLS handshake failed on the data connection: " + error + "; transfer abandoned.");
  return false;
}

std::string FtpSession::LostLine(const char* fallback, const char* consequence) {
  const std::string failure = transport_.TakeTlsFailure();
  if (failure.empty()) return fallback;
  return "> ftp: TLS " + failure + "; " + consequence + ".";
}

// Before the user name the client asks for UTF-8 names, as the Windows client does; an IBM i
// refuses (501), which changes nothing.
void FtpSession::LogOn(LineSource& commands, int& answersLeft) {
  Command("OPTS UTF8 ON");
  if (!connected_) return;
  std::string user;
  if (!Prompt(UserPrompt(settings_.language, hostName_), commands, user)) return;
  --answersLeft;
  int code = Command("USER " + user);
  if (IsIntermediate(code)) {
    std::string password;
    if (!Prompt(PasswordPrompt(settings_.language), commands, password)) return;
    --answersLeft;
    code = Command("PASS " + password);
  }
  if (connected_ && !IsPositive(code)) Line("Login failed.");
}

// The answer is not echoed. Unless the reply is to stand on the prompt's line, the line ends
// once the answer is taken.
bool FtpSession::Prompt(const std::string& prompt, LineSource& commands, std::string& answer) {
  out_.Write(prompt);
  const bool answered = commands.Next(answer);
  if (!answered || !settings_.replyOnPromptLine) out_.Write("\n");
  return answered;
}

void FtpSession::Simple(const std::string& command) {
  if (!connected_) {
    Line("Not connected.");
    return;
  }
  Command(command);
}

void FtpSession::Quote(std::string_view text) {
  if (text.empty()) {
    Line("Usage: quote line-to-send");
    return;
  }
  if (!connected_) {
    Line("Not connected.");
    return;
  }
  ReadFinalReply(Command(std::string(text)));
}

void FtpSession::ChangeDirectory(const std::vector<std::string>& words) {
  if (words.size() != 2) {
    Line("Usage: cd remote-directory");
    return;
  }
  Simple("CWD " + words[1]);
}

void FtpSession::Put(const std::vector<std::string>& words) {
  std::vector<std::string> names;
  for (std::size_t i = 1; i < words.size(); ++i) {
    if (!IsPutOption(words[i])) names.push_back(words[i]);
  }
  if (names.empty() || names.size() > 2) {
    Line("Usage: put local-file [remote-file]");
    return;
  }
  if (!connected_) {
    Line("Not connected.");
    return;
  }
  const std::string& localPath = names[0];
  const std::string& remoteName = names.size() == 2 ? names[1] : names[0];
  std::unique_ptr<LocalFileReader> file = files_.OpenForReading(localPath);
  if (!file) {
    Line("Error opening local file " + localPath + ".");
    return;
  }
  if (!StartUpload(remoteName)) {
    transport_.AbortData();
    return;
  }
  std::uint64_t started = transport_.NowMilliseconds();
  std::uint64_t bytesSent = 0;
  bool whole = SendFile(*file, localPath, bytesSent);
  StartAnswer();
  int code = ReadFinalReply(ReadReply());
  if (whole && IsPositive(code)) {
    Line(FormatSentStatistics(settings_.language, bytesSent, transport_.NowMilliseconds() - started));
  }
}

bool FtpSession::StartUpload(const std::string& remoteName) {
  if (UsesPassive()) return ConnectPassive() && IsPreliminary(Command("STOR " + remoteName));
  Endpoint local;
  std::string error;
  if (!transport_.ListenForData(local, error)) {
    Line("> ftp: bind :" + error);
    return false;
  }
  return IsPositive(Command("PORT " + FormatPortArgument(local))) && IsPreliminary(Command("STOR " + remoteName));
}

// The data connection goes to the server the client talks to, whatever address the 227 names: a
// host behind NAT names one the client cannot reach, and a hostile one could name another host.
bool FtpSession::ConnectPassive() {
  if (Command("PASV") != 227) return false;
  const std::optional<std::uint16_t> port = ParsePassivePort(lastReplyLine_);
  if (!port) {
    Line("> ftp: the server's passive reply names no data port; transfer abandoned.");
    return false;
  }
  std::string error;
  const IoResult result = transport_.ConnectData(Endpoint{serverAddress_, *port}, SendBufferBytes(), error);
  if (result == IoResult::kOk) return true;
  Line("> ftp: data connection: connect :" +
       (result == IoResult::kTimeout ? std::string("Connection timed out") : error));
  return false;
}

std::size_t FtpSession::SendBufferBytes() const { return hash_ ? kHashedSendBufferBytes : kUploadSendBufferBytes; }

// Streams the file over the data connection. On any failure the data connection is reset
// rather than closed, so the server cannot take a partial upload for the whole file.
bool FtpSession::SendFile(LocalFileReader& file, const std::string& localPath, std::uint64_t& bytesSent) {
  // Bytes already received after the preliminary reply mean the server has more to say, which it
  // does only when it gives the transfer up.
  IoResult result = incoming_.HasPendingBytes() ? IoResult::kServerReplied
                    : UsesPassive()             ? IoResult::kOk
                                                : transport_.AcceptData(SendBufferBytes());
  // The server says 150 before its side of the data connection's handshake, as RFC 4217 has it.
  if (result == IoResult::kOk && controlTls_ && !ProtectData()) {
    transport_.AbortData();
    return false;
  }
  if (result == IoResult::kOk) {
    std::size_t chunkBytes = hash_ ? kHashedChunkBytes : kUploadChunkBytes;
    std::unique_ptr<char[]> buffer(new char[kUploadChunkBytes]);
    HashMarks marks(out_, hash_);
    const std::uint64_t started = transport_.NowMilliseconds();
    while (true) {
      bool failed = false;
      std::size_t count = file.Read(buffer.get(), chunkBytes, failed);
      if (failed) {
        marks.End();
        Line("Error reading local file " + localPath + ".");
        transport_.AbortData();
        return false;
      }
      if (count == 0) {
        transport_.FinishData();
        marks.End();
        return true;
      }
      result = transport_.SendData(std::string_view(buffer.get(), count));
      if (result != IoResult::kOk) break;
      bytesSent += count;
      marks.Sent(bytesSent);
      if (hash_) {
        const std::size_t next = NextPieceBytes(chunkBytes, bytesSent, transport_.NowMilliseconds() - started);
        // The buffer grows with the pieces: it decides how far the marks may run ahead, which
        // matters only on a slow line, where the pieces stay small.
        if (next != chunkBytes) transport_.ResizeDataSendBuffer(2 * next);
        chunkBytes = next;
      }
    }
    marks.End();
  }
  if (result == IoResult::kTimeout) {
    Line(TimeoutMessage("data connection", limits_.dataSeconds, "transfer abandoned"));
  } else if (result == IoResult::kServerReplied) {
    // The server's own reply, read next, says why.
  } else {
    Line(LostLine("> ftp: data connection lost; transfer abandoned.", "transfer abandoned"));
  }
  transport_.AbortData();
  return false;
}

void FtpSession::Close() {
  Command("QUIT");
  if (connected_ && controlTls_) transport_.EndControlTls(kCloseNotifySeconds);
  Disconnect("");
}

// Passive mode is this client's own: in it, it is shipped, and it keeps to time limits instead of
// waiting for ever (unless a test set its own limit).
void FtpSession::SetPassive(const std::vector<std::string>& words) {
  if (words.size() > 2 || (words.size() == 2 && words[1] != "on" && words[1] != "off")) {
    Line("Usage: passive [on|off]");
    return;
  }
  passive_ = words.size() == 1 || words[1] == "on";
  ApplyModeLimits();
  Line(passive_ ? "Passive mode On ." : "Passive mode Off .");
}

// TLS data connections are always made by the client (the TLS client), so TLS implies passive
// mode, whatever a later "passive off" says.
void FtpSession::SetTls(const std::vector<std::string>& words) {
  if (connected_) {
    Line("TLS applies from the next open on.");
  }
  const std::optional<std::string> said = ApplyTlsLine(words, tls_);
  if (!said) {
    Line("Usage: tls [pin <SHA-256 in 64 hex digits> | trust-system]");
    return;
  }
  ApplyModeLimits();
  Line(*said);
}

void FtpSession::ApplyModeLimits() {
  if (settings_.timeoutSeconds == 0) {
    limits_ = UsesPassive() ? kPassiveTimeLimits : TimeLimits{};
    transport_.SetTimeLimits(limits_);
  }
  const AnswerLimits& own = settings_.answerLimits;
  if (own.bytes == 0 && own.seconds == 0) answerLimits_ = UsesPassive() ? kPassiveAnswerLimits : AnswerLimits{};
}

void FtpSession::ToggleDebug() {
  debug_ = !debug_;
  Line(debug_ ? "Debugging On ." : "Debugging Off .");
}

// Words after "hash" change nothing, as with the Windows client: it only toggles.
void FtpSession::ToggleHash() {
  hash_ = !hash_;
  Line(hash_ ? "Hash mark printing On  ftp: (2048 bytes/hash mark) ." : "Hash mark printing Off .");
}

int FtpSession::Command(const std::string& command) {
  if (!connected_) return 0;
  if (debug_) Line("---> " + (command.compare(0, 5, "PASS ") == 0 ? std::string("PASS XXXX") : command));
  StartAnswer();
  IoResult result = transport_.SendControl(command + "\r\n");
  if (result == IoResult::kTimeout) {
    Disconnect(TimeoutMessage("control connection", limits_.controlSeconds, "connection abandoned"));
    return 0;
  }
  if (result != IoResult::kOk) {
    Disconnect(LostLine(kConnectionClosed, "connection abandoned"));
    return 0;
  }
  return ReadReply();
}

int FtpSession::ReadReply() {
  ReplyAssembler reply;
  std::string text;
  // The lines of what one receive brought go into the log in one write: a job log of a million
  // lines would otherwise take a million writes. Nothing waits while they are held, so the log
  // still holds every line received whenever the client waits for the server.
  std::string lines;
  const auto writeLines = [this, &lines] {
    if (!lines.empty()) out_.Write(lines);
    lines.clear();
  };
  while (connected_) {
    while (incoming_.NextLine(text)) {
      lines.append(text).push_back('\n');
      const std::uint64_t now = transport_.NowMilliseconds();
      if (answerStartedMs_ == 0) answerStartedMs_ = std::max<std::uint64_t>(now, 1);
      answerBytes_ += text.size() + 1;  // as written to the log
      const bool complete = reply.Add(text);
      if (!complete || IsPreliminary(reply.code())) {
        const std::string passed = AnswerLimitPassed(now);
        if (!passed.empty()) {
          writeLines();
          Disconnect("> ftp: the server's answer went on for more than " + passed + "; connection abandoned.");
          return 0;
        }
      }
      if (!complete) continue;
      writeLines();
      // 421: the server is closing the connection; nothing more will come over it.
      if (reply.code() == 421) Disconnect("");
      lastReplyLine_ = text;
      return reply.code();
    }
    writeLines();
    std::string bytes;
    IoResult result = transport_.ReceiveControl(bytes);
    if (result == IoResult::kOk) {
      incoming_.Feed(bytes);
      continue;
    }
    if (incoming_.TakeUnfinishedLine(text)) Line(text);
    if (result == IoResult::kTimeout) {
      Disconnect(TimeoutMessage("control connection", limits_.controlSeconds, "connection abandoned"));
    } else {
      Disconnect(LostLine(kConnectionClosed, "connection abandoned"));
    }
  }
  return 0;
}

void FtpSession::StartAnswer() {
  answerBytes_ = 0;
  answerStartedMs_ = 0;
}

std::string FtpSession::AnswerLimitPassed(std::uint64_t nowMs) const {
  if (answerLimits_.bytes != 0 && answerBytes_ > answerLimits_.bytes) {
    return std::to_string(answerLimits_.bytes) + " bytes";
  }
  if (answerLimits_.seconds != 0 && nowMs - answerStartedMs_ > answerLimits_.seconds * 1000) {
    return std::to_string(answerLimits_.seconds) + " seconds";
  }
  return {};
}

int FtpSession::ReadFinalReply(int code) {
  while (connected_ && IsPreliminary(code)) code = ReadReply();
  return code;
}

void FtpSession::Disconnect(std::string_view message) {
  if (!message.empty()) Line(message);
  transport_.AbortData();
  transport_.CloseControl();
  incoming_.Clear();
  connected_ = false;
  controlTls_ = false;
}

std::string FtpSession::TimeoutMessage(const char* connection, unsigned seconds, const char* consequence) const {
  char text[160];
  std::snprintf(text, sizeof text, "> ftp: no progress on the %s for %u seconds; %s.", connection, seconds,
                consequence);
  return text;
}

void FtpSession::Line(std::string_view text) {
  std::string line(text);
  line.push_back('\n');
  out_.Write(line);
}

}  // namespace ftpclient
