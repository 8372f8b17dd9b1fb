// The client reading a server's replies, whatever the server sends and in whatever pieces: lines
// never grow past their limit, a completed reply has a three-digit code, a passive reply yields a
// usable port or none, and a whole passive-mode session (log-on, upload, remote command) ends
// without a crash, a hang or an unbounded transcript line. The same session with TLS asked for:
// whatever the server answers to AUTH, PBSZ and PROT, and whatever its certificate names, nothing
// of the log-on is sent before TLS is up, and no line of the transcript holds a control character
// from the certificate.
//
// Input: the bytes the server sends. The first byte sets the size of the pieces they arrive in,
// and its low bits how the TLS handshake goes and whether the certificate matches the pin.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "ftpclient/core/reply.h"
#include "ftpclient/core/session.h"

namespace {

using namespace ftpclient;

void Require(bool condition) {
  if (!condition) std::abort();
}

class StreamServer : public Transport, public LocalFiles {
 public:
  StreamServer(std::string stream, std::size_t piece, std::uint8_t tlsChoice = 0)
      : stream_(std::move(stream)), piece_(piece), tlsChoice_(tlsChoice) {}
  bool Resolve(const std::string&, Ipv4Address& address, std::string&) override {
    address = {127, 0, 0, 1};
    return true;
  }
  void SetTimeLimits(const TimeLimits&) override {}
  IoResult Connect(const Endpoint&, std::string&) override { return IoResult::kOk; }
  IoResult SendControl(std::string_view bytes) override {
    const bool logOn = bytes.substr(0, 5) == "USER " || bytes.substr(0, 5) == "PASS " || bytes.substr(0, 5) == "OPTS ";
    Require(!logOn || !tlsAsked_ || tlsUp_);
    if (bytes.substr(0, 8) == "AUTH TLS") tlsAsked_ = true;
    return IoResult::kOk;
  }
  IoResult StartControlTls(const TlsRequest&, TlsPeer& peer, std::string& error) override {
    if (tlsChoice_ % 3 == 0) {
      error = "SEC_E_ILLEGAL_MESSAGE (0x80090326)";
      return IoResult::kError;
    }
    // The server's names come from the stream too: any byte may stand in them.
    peer.subject = stream_.substr(0, 300);
    peer.issuer = stream_.substr(stream_.size() / 2, 300);
    peer.protocol = "TLS 1.2";
    peer.cipher = "X";
    if (tlsChoice_ % 3 == 2) peer.sha256.fill(0xAB);
    tlsUp_ = true;
    return IoResult::kOk;
  }
  IoResult StartDataTls(std::string&) override { return tlsChoice_ & 4 ? IoResult::kError : IoResult::kOk; }
  void CloseControl() override { tlsUp_ = false; }
  IoResult ReceiveControl(std::string& appendTo) override {
    if (stream_.empty()) return IoResult::kClosed;
    const std::size_t count = std::min(piece_, stream_.size());
    appendTo.append(stream_, 0, count);
    stream_.erase(0, count);
    return IoResult::kOk;
  }
  bool ListenForData(Endpoint&, std::string&) override { return false; }
  IoResult AcceptData(std::size_t) override { return IoResult::kError; }
  IoResult ConnectData(const Endpoint& server, std::size_t, std::string&) override {
    Require(server.port != 0);
    return IoResult::kOk;
  }
  void ResizeDataSendBuffer(std::size_t) override {}
  IoResult SendData(std::string_view) override { return IoResult::kOk; }
  void FinishData() override {}
  void AbortData() override {}
  std::uint64_t NowMilliseconds() override { return 0; }

  std::unique_ptr<LocalFileReader> OpenForReading(const std::string&) override { return std::make_unique<Reader>(); }

 private:
  class Reader : public LocalFileReader {
   public:
    std::size_t Read(char* buffer, std::size_t capacity, bool& failed) override {
      failed = false;
      if (done_ || capacity < 4) return 0;
      done_ = true;
      std::memcpy(buffer, "SAVF", 4);
      return 4;
    }

   private:
    bool done_ = false;
  };

  std::string stream_;
  std::size_t piece_;
  std::uint8_t tlsChoice_;
  bool tlsAsked_ = false;
  bool tlsUp_ = false;
};

// Every line the session writes stays bounded: a reply line is cut at the splitter's limit, and
// the client's own lines are short.
class BoundedTranscript : public Transcript {
 public:
  void Write(std::string_view text) override {
    for (char c : text) {
      current_ = c == '\n' ? 0 : current_ + 1;
      Require(current_ <= LineSplitter::kMaxLineBytes + 256);
      line_.push_back(c);
      if (c != '\n') continue;
      // The client's own TLS lines hold the certificate's names: never a control character.
      if (line_.compare(0, 11, "> ftp: TLS ") == 0) {
        for (char d : line_.substr(0, line_.size() - 1)) Require(static_cast<unsigned char>(d) >= 0x20 && d != 0x7F);
      }
      line_.clear();
    }
    if (line_.size() > LineSplitter::kMaxLineBytes + 256) line_.clear();
  }

 private:
  std::size_t current_ = 0;
  std::string line_;
};

void CheckLines(const std::string& stream, std::size_t piece) {
  LineSplitter splitter;
  ReplyAssembler reply;
  std::string line;
  for (std::size_t at = 0; at < stream.size(); at += piece) {
    splitter.Feed(std::string_view(stream).substr(at, piece));
    while (splitter.NextLine(line)) {
      Require(line.size() <= LineSplitter::kMaxLineBytes);
      if (reply.Add(line)) Require(reply.code() >= 100 && reply.code() <= 999);
      if (auto port = ParsePassivePort(line)) Require(*port != 0 && LeadingReplyCode(line) == 227);
    }
  }
  if (splitter.TakeUnfinishedLine(line)) Require(line.size() <= LineSplitter::kMaxLineBytes);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::size_t piece = 1 + data[0] % 64 * (data[0] >= 128 ? 256 : 1);
  const std::string stream(reinterpret_cast<const char*>(data) + 1, size - 1);
  CheckLines(stream, piece);

  StreamServer server(stream, piece);
  BoundedTranscript out;
  FtpSession session(server, server, out, {});
  ScriptLines lines(
      "passive\nopen 127.0.0.1\nUSER1\nPW\nbinary\nhash\nput C:\\Q.DAT /QSYS.LIB/QTEMP.LIB/QSAVF.FILE\n"
      "quote rcmd \"CALL PGM(QTEMP/KV2207C)\"\ncd KESTLIB\nquit\n");
  session.Run(lines);

  StreamServer tlsServer(stream, piece, data[0]);
  BoundedTranscript tlsOut;
  FtpSession tlsSession(tlsServer, tlsServer, tlsOut, {});
  ScriptLines tlsLines(
      "tls\ntls pin abababababababababababababababababababababababababababababababab\nopen 127.0.0.1\nUSER1\nPW\n"
      "binary\nput C:\\Q.DAT /QSYS.LIB/QTEMP.LIB/QSAVF.FILE\nquit\n");
  tlsSession.Run(tlsLines);
  return 0;
}
