#include "fake_server.h"

#include <cctype>
#include <cstring>

namespace ftpclient::testing {

const std::string kSaveFileBytes("save file bytes\r\n\x1a\0\xff", 20);

namespace {

class StringReader : public LocalFileReader {
 public:
  explicit StringReader(std::string content) : content_(std::move(content)) {}
  std::size_t Read(char* buffer, std::size_t capacity, bool& failed) override {
    failed = false;
    std::size_t count = std::min(capacity, content_.size() - position_);
    std::memcpy(buffer, content_.data() + position_, count);
    position_ += count;
    return count;
  }

 private:
  std::string content_;
  std::size_t position_ = 0;
};

}  // namespace

bool FakeServer::Resolve(const std::string& host, Ipv4Address& address, std::string& error) {
  auto dotted = ParseDottedAddress(host);
  if (!dotted) {
    error = "Unknown host";
    return false;
  }
  address = *dotted;
  return true;
}

IoResult FakeServer::Connect(const Endpoint& server, std::string& error) {
  connectedTo = server;
  if (refuseConnection) {
    error = "Connection refused";
    return IoResult::kError;
  }
  if (!silent) toClient_ = greeting;
  return IoResult::kOk;
}

IoResult FakeServer::SendControl(std::string_view bytes) {
  std::string command(bytes);
  if (command.size() < 2 || command.compare(command.size() - 2, 2, "\r\n") != 0) return IoResult::kError;
  command.resize(command.size() - 2);
  commands.push_back(command);
  if (!controlTls) clearCommands.push_back(command);
  std::string reply = ReplyTo(command);
  if (command.compare(0, 5, "STOR ") == 0) storing_ = !reply.empty() && reply[0] == '1';
  // An empty answer stands for a server that stops talking from here on.
  if (reply.empty()) silent = true;
  if (!silent) toClient_ += reply;
  return IoResult::kOk;
}

IoResult FakeServer::ReceiveControl(std::string& appendTo) {
  if (toClient_.empty()) return silent ? IoResult::kTimeout : IoResult::kClosed;
  std::size_t count = std::min(controlChunkBytes, toClient_.size());
  appendTo.append(toClient_, 0, count);
  toClient_.erase(0, count);
  clock_ += controlChunkMs;
  return IoResult::kOk;
}

bool FakeServer::ListenForData(Endpoint& local, std::string&) {
  local.address = {127, 0, 0, 1};
  local.port = 0x0401;
  listening_ = true;
  return true;
}

IoResult FakeServer::AcceptData(std::size_t) {
  dataOpen_ = acceptResult == IoResult::kOk;
  if (dataOpen_) listening_ = false;
  return acceptResult;
}

TlsPeer FakeServer::DefaultPeer() {
  TlsPeer shown;
  shown.protocol = "TLS 1.2";
  shown.cipher = "ECDHE-RSA-AES256-GCM-SHA384";
  for (std::size_t i = 0; i < shown.sha256.size(); ++i) shown.sha256[i] = static_cast<std::uint8_t>(0xA0 + i);
  shown.subject = "CN=testhost";
  shown.issuer = "CN=testhost";
  shown.validFrom = UtcTime{2026, 1, 2, 3, 4, 5};
  shown.validTo = UtcTime{2036, 1, 2, 3, 4, 5};
  return shown;
}

IoResult FakeServer::StartControlTls(const TlsRequest& request, TlsPeer& shown, std::string& error) {
  tlsRequest = request;
  if (controlTlsResult != IoResult::kOk) {
    error = tlsError;
    return controlTlsResult;
  }
  controlTls = true;
  shown = peer;
  return IoResult::kOk;
}

IoResult FakeServer::StartDataTls(std::string& error) {
  dataTls = dataTlsResult == IoResult::kOk;
  if (!dataTls) error = tlsError;
  return dataTlsResult;
}

IoResult FakeServer::ConnectData(const Endpoint& server, std::size_t, std::string& error) {
  dataConnectedTo = server;
  dataTls = false;
  dataOpen_ = dataConnectResult == IoResult::kOk;
  if (!dataOpen_) error = "Connection refused";
  return dataConnectResult;
}

IoResult FakeServer::SendData(std::string_view bytes) {
  if (goodDataSends > 0) {
    --goodDataSends;
  } else if (dataSendResult != IoResult::kOk) {
    return dataSendResult;
  }
  uploaded.append(bytes);
  clock_ += dataSendMs;
  return IoResult::kOk;
}

void FakeServer::FinishData() {
  uploadFinished = true;
  dataOpen_ = false;
  storing_ = false;
  toClient_ += storeFinished;
}

void FakeServer::AbortData() {
  if (listening_) toClient_ += listenerAborted;
  listening_ = false;
  if (!dataOpen_) return;
  dataOpen_ = false;
  if (!storing_) return;  // a data connection never used
  storing_ = false;
  uploadAborted = true;
  toClient_ += storeAborted;
}

std::unique_ptr<LocalFileReader> FakeServer::OpenForReading(const std::string& path) {
  auto found = files.find(path);
  if (found == files.end()) return nullptr;
  return std::make_unique<StringReader>(found->second);
}

std::string FakeServer::ReplyTo(const std::string& command) const {
  auto whole = replies.find(command);
  if (whole != replies.end()) return whole->second;
  std::string verb = command.substr(0, command.find(' '));
  for (char& c : verb) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (verb == "PASS") {
    return command == "PASS " + password ? "230 QUSER logged on.\r\n"
                                         : "530 Log on attempt by user QUSER rejected.\r\n";
  }
  auto byVerb = replies.find(verb);
  if (byVerb != replies.end()) return byVerb->second;
  return "500 Subcommand " + verb + " not valid.\r\n";
}

}  // namespace ftpclient::testing
