// The client's connections over Winsock. Every socket is non-blocking and every wait goes
// through select(), with the configured limit when there is one (0: none).
#pragma once

#include <winsock2.h>

#include "ftpclient/core/transport.h"

namespace ftpclient {

class WinsockTransport : public Transport {
 public:
  explicit WinsockTransport(unsigned timeoutSeconds) : timeoutSeconds_(timeoutSeconds) {}
  ~WinsockTransport() override;
  WinsockTransport(const WinsockTransport&) = delete;
  WinsockTransport& operator=(const WinsockTransport&) = delete;

  bool Resolve(const std::string& host, Ipv4Address& address, std::string& error) override;
  IoResult Connect(const Endpoint& server, std::string& error) override;
  IoResult SendControl(std::string_view bytes) override;
  IoResult ReceiveControl(std::string& appendTo) override;
  void CloseControl() override;
  bool ListenForData(Endpoint& local, std::string& error) override;
  IoResult AcceptData(std::size_t sendBufferBytes) override;
  void ResizeDataSendBuffer(std::size_t bytes) override;
  IoResult SendData(std::string_view bytes) override;
  void FinishData() override;
  void AbortData() override;
  std::uint64_t NowMilliseconds() override;

 private:
  enum class Wait { kRead, kWrite };
  IoResult WaitUntilReady(SOCKET socket, Wait wait);
  IoResult WaitForConnectionOrReply();
  IoResult SendAll(SOCKET socket, std::string_view bytes);
  // select() on the sets given, for at most the limit when one is set.
  int Select(fd_set* read, fd_set* write, fd_set* failed);

  unsigned timeoutSeconds_;
  SOCKET control_ = INVALID_SOCKET;
  SOCKET listener_ = INVALID_SOCKET;
  SOCKET data_ = INVALID_SOCKET;
};

// Text of a Winsock error as the Windows client prints it after "> ftp: connect :".
std::string WinsockErrorText(int error);

}  // namespace ftpclient
