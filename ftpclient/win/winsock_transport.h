// The client's connections over Winsock. Every socket is non-blocking and every wait goes
// through select(), with the limit for that kind of wait when there is one (0: none).
#pragma once

#include <winsock2.h>

#include <memory>

#include "ftpclient/core/transport.h"
#include "ftpclient/win/tls_stream.h"

namespace ftpclient {

class WinsockTransport : public Transport {
 public:
  WinsockTransport() = default;
  ~WinsockTransport() override;
  WinsockTransport(const WinsockTransport&) = delete;
  WinsockTransport& operator=(const WinsockTransport&) = delete;

  bool Resolve(const std::string& host, Ipv4Address& address, std::string& error) override;
  void SetTimeLimits(const TimeLimits& limits) override { limits_ = limits; }
  IoResult Connect(const Endpoint& server, std::string& error) override;
  IoResult SendControl(std::string_view bytes) override;
  IoResult ReceiveControl(std::string& appendTo) override;
  void CloseControl() override;
  bool ListenForData(Endpoint& local, std::string& error) override;
  IoResult AcceptData(std::size_t sendBufferBytes) override;
  IoResult ConnectData(const Endpoint& server, std::size_t sendBufferBytes, std::string& error) override;
  void ResizeDataSendBuffer(std::size_t bytes) override;
  IoResult SendData(std::string_view bytes) override;
  void FinishData() override;
  void AbortData() override;
  std::uint64_t NowMilliseconds() override;
  IoResult StartControlTls(const TlsRequest& request, TlsPeer& peer, std::string& error) override;
  IoResult StartDataTls(std::string& error) override;
  void EndControlTls(unsigned seconds) override;
  std::string TakeTlsFailure() override { return std::move(tlsFailure_); }

 private:
  enum class Wait { kRead, kWrite };
  // A new non-blocking socket connected to `server` within the connect limit.
  IoResult ConnectSocket(SOCKET& socket, const Endpoint& server, std::string& error);
  IoResult WaitUntilReady(SOCKET socket, Wait wait, unsigned seconds);
  IoResult WaitForConnectionOrReply();
  IoResult SendAll(SOCKET socket, std::string_view bytes, unsigned seconds);
  IoResult ReceiveRaw(SOCKET socket, unsigned seconds, std::string& appendTo);
  RawLink LinkOf(SOCKET& socket, const unsigned& seconds);
  // The result of a TLS operation; a failure of TLS itself is kept for TakeTlsFailure.
  IoResult NoteTls(IoResult result, const std::string& error);
  // Reads and drops what the peer still sends, until it closes or `seconds` pass.
  void Drain(TlsStream& stream, SOCKET socket, unsigned seconds);
  // select() on the sets given, for at most `seconds` (0: no limit).
  static int Select(fd_set* read, fd_set* write, fd_set* failed, unsigned seconds);

  TimeLimits limits_;
  SOCKET control_ = INVALID_SOCKET;
  SOCKET listener_ = INVALID_SOCKET;
  SOCKET data_ = INVALID_SOCKET;
  std::unique_ptr<TlsCredentials> credentials_;
  std::wstring serverName_;
  std::unique_ptr<TlsStream> controlTls_;
  std::unique_ptr<TlsStream> dataTls_;
  std::string tlsFailure_;
};

// Text of a Winsock error as the Windows client prints it after "> ftp: connect :".
std::string WinsockErrorText(int error);

}  // namespace ftpclient
