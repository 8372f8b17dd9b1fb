// Feeds the session a script and a server's byte stream, both arbitrary: the session must end,
// without crashing, whatever the server says and however the script is written.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "ftpclient/core/session.h"

namespace {

using namespace ftpclient;

class StreamServer : public Transport, public LocalFiles {
 public:
  explicit StreamServer(std::string stream) : stream_(std::move(stream)) {}
  bool Resolve(const std::string& host, Ipv4Address& address, std::string& error) override {
    auto dotted = ParseDottedAddress(host);
    if (dotted) address = *dotted;
    error = "Unknown host";
    return dotted.has_value();
  }
  IoResult Connect(const Endpoint&, std::string&) override { return IoResult::kOk; }
  IoResult SendControl(std::string_view) override { return IoResult::kOk; }
  IoResult ReceiveControl(std::string& appendTo) override {
    if (stream_.empty()) return IoResult::kClosed;
    std::size_t count = 1 + static_cast<unsigned char>(stream_[0]) % 16;
    count = std::min(count, stream_.size());
    appendTo.append(stream_, 0, count);
    stream_.erase(0, count);
    return IoResult::kOk;
  }
  void CloseControl() override {}
  bool ListenForData(Endpoint& local, std::string&) override {
    local.address = {127, 0, 0, 1};
    local.port = 4000;
    return true;
  }
  IoResult AcceptData(std::size_t) override { return IoResult::kOk; }
  IoResult ConnectData(const Endpoint&, std::size_t, std::string&) override { return IoResult::kOk; }
  void SetTimeLimits(const TimeLimits&) override {}
  void ResizeDataSendBuffer(std::size_t) override {}
  IoResult SendData(std::string_view) override { return IoResult::kOk; }
  void FinishData() override {}
  void AbortData() override {}
  std::uint64_t NowMilliseconds() override { return 0; }

  std::unique_ptr<LocalFileReader> OpenForReading(const std::string&) override { return nullptr; }

 private:
  std::string stream_;
};

class NullTranscript : public Transcript {
 public:
  void Write(std::string_view) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string input(reinterpret_cast<const char*>(data), size);
  std::size_t split = input.find('\0');
  std::string script = input.substr(0, split);
  std::string stream = split == std::string::npos ? std::string() : input.substr(split + 1);
  StreamServer server(stream);
  NullTranscript out;
  SessionSettings settings;  // both languages and both places of the log-on reply
  settings.language = size % 2 ? Language::kJapanese : Language::kEnglish;
  settings.replyOnPromptLine = size % 3 == 0;
  FtpSession session(server, server, out, settings);
  ScriptLines lines("open 127.0.0.1\nU\nP\n" + script);
  session.Run(lines);
  return 0;
}
