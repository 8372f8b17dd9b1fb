// A scripted FTP server behind the Transport interface, for testing the session without sockets.
// It answers like the substitute IBM i host; each test changes the answers or the faults it needs.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "ftpclient/core/script_text.h"
#include "ftpclient/core/transport.h"

namespace ftpclient::testing {

// Bytes that a text-mode transfer would change: CR LF, ^Z, NUL and a high byte.
extern const std::string kSaveFileBytes;

class FakeServer : public Transport, public LocalFiles {
 public:
  // Faults.
  bool refuseConnection = false;
  bool silent = false;  // accepts, then never sends a byte
  IoResult acceptResult = IoResult::kOk;
  IoResult dataConnectResult = IoResult::kOk;  // passive mode
  IoResult dataSendResult = IoResult::kOk;
  std::uint64_t dataSendMs = 20;      // how long each send of the data connection takes
  std::size_t goodDataSends = 0;      // sends that succeed before dataSendResult applies
  std::size_t controlChunkBytes = 5;  // replies arrive in small pieces
  std::uint64_t controlChunkMs = 0;   // how long each piece takes to arrive

  std::string greeting = "220-QTCP at TESTHOST.\r\n220 Connection will close if idle more than 5 minutes.\r\n";
  std::string password = "SECRET";
  // Replies by whole command or by command verb; whole commands win.
  std::map<std::string, std::string> replies = {
      {"OPTS", "501 OPTS subcommand not valid.\r\n"},
      {"USER", "331 Enter password.\r\n"},
      {"TYPE", "200 Representation type is binary IMAGE.\r\n"},
      {"PORT", "200 PORT subcommand request successful.\r\n"},
      {"PASV", "227 Entering Passive Mode (10,9,8,7,4,2).\r\n"},
      {"STOR", "150 Sending file to member QSAVF in file QSAVF in library QTEMP.\r\n"},
      {"CWD", "250 \"KESTLIB\" is current library.\r\n"},
      {"RCMD", "250 Command successful.\r\n"},
      {"QUIT", "221 QUIT subcommand received.\r\n"},
  };
  std::string storeFinished = "250 File transfer completed successfully.\r\n";
  std::string storeAborted = "426 Data transfer ended.\r\n";
  std::string listenerAborted;  // said when the client gives up waiting for the data connection
  std::map<std::string, std::string> files = {{"C:\\WORK\\QSAVF.DAT", kSaveFileBytes}};

  // TLS: the answers to AUTH, PBSZ and PROT come from `replies` like any other.
  IoResult controlTlsResult = IoResult::kOk;  // the handshake after 234
  IoResult dataTlsResult = IoResult::kOk;
  std::string tlsError = "SEC_E_ILLEGAL_MESSAGE (0x80090326)";
  TlsPeer peer = DefaultPeer();
  std::string tlsFailure;  // given by TakeTlsFailure, as a TLS layer that met a bad record would

  // What the client did.
  std::vector<std::string> commands;
  std::vector<std::string> clearCommands;  // those sent before the control connection had TLS
  TlsRequest tlsRequest;
  bool controlTls = false;
  bool dataTls = false;  // the last data connection had its handshake
  bool closeNotifySent = false;
  std::string uploaded;
  bool uploadFinished = false;
  bool uploadAborted = false;
  Endpoint connectedTo;
  Endpoint dataConnectedTo;  // passive mode
  TimeLimits limits;

  bool Resolve(const std::string& host, Ipv4Address& address, std::string& error) override;
  IoResult Connect(const Endpoint& server, std::string& error) override;
  IoResult SendControl(std::string_view bytes) override;
  IoResult ReceiveControl(std::string& appendTo) override;
  void CloseControl() override { toClient_.clear(); }
  bool ListenForData(Endpoint& local, std::string& error) override;
  IoResult AcceptData(std::size_t sendBufferBytes) override;
  IoResult ConnectData(const Endpoint& server, std::size_t sendBufferBytes, std::string& error) override;
  void SetTimeLimits(const TimeLimits& set) override { limits = set; }
  void ResizeDataSendBuffer(std::size_t) override {}
  IoResult SendData(std::string_view bytes) override;
  void FinishData() override;
  void AbortData() override;
  std::uint64_t NowMilliseconds() override { return clock_; }
  IoResult StartControlTls(const TlsRequest& request, TlsPeer& shown, std::string& error) override;
  IoResult StartDataTls(std::string& error) override;
  void EndControlTls(unsigned) override { closeNotifySent = controlTls; }
  std::string TakeTlsFailure() override { return std::move(tlsFailure); }

  static TlsPeer DefaultPeer();

  std::unique_ptr<LocalFileReader> OpenForReading(const std::string& path) override;

 private:
  std::string ReplyTo(const std::string& command) const;

  std::string toClient_;
  bool listening_ = false;
  bool dataOpen_ = false;
  bool storing_ = false;  // STOR was answered with a preliminary reply
  std::uint64_t clock_ = 1000;
};

class StringTranscript : public Transcript {
 public:
  void Write(std::string_view text) override { text_.append(text); }
  const std::string& text() const { return text_; }

 private:
  std::string text_;
};

}  // namespace ftpclient::testing
