#include "ftpclient/win/winsock_transport.h"

#include <windows.h>
#include <ws2tcpip.h>

#include <cstring>

namespace ftpclient {

namespace {

void CloseSocket(SOCKET& socket) {
  if (socket != INVALID_SOCKET) closesocket(socket);
  socket = INVALID_SOCKET;
}

// Closing with a zero linger time resets the connection instead of ending it in order.
void ResetSocket(SOCKET& socket) {
  if (socket == INVALID_SOCKET) return;
  linger abortive{1, 0};
  setsockopt(socket, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abortive), sizeof abortive);
  CloseSocket(socket);
}

bool MakeNonBlocking(SOCKET socket) {
  u_long on = 1;
  return ioctlsocket(socket, FIONBIO, &on) == 0;
}

sockaddr_in ToSockaddr(const Endpoint& endpoint) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  std::memcpy(&address.sin_addr, endpoint.address.data(), 4);
  address.sin_port = htons(endpoint.port);
  return address;
}

Endpoint FromSockaddr(const sockaddr_in& address) {
  Endpoint endpoint;
  std::memcpy(endpoint.address.data(), &address.sin_addr, 4);
  endpoint.port = ntohs(address.sin_port);
  return endpoint;
}

bool WouldBlock() {
  int error = WSAGetLastError();
  return error == WSAEWOULDBLOCK || error == WSAEINPROGRESS || error == WSAEINTR;
}

}  // namespace

std::string WinsockErrorText(int error) {
  switch (error) {
    case WSAECONNREFUSED:
      return "Connection refused";
    case WSAETIMEDOUT:
      return "Connection timed out";
    case WSAECONNRESET:
      return "Connection reset by peer";
    case WSAEHOSTUNREACH:
      return "No route to host";
    case WSAENETUNREACH:
      return "Network is unreachable";
    case WSAEADDRNOTAVAIL:
      return "Can't assign requested address";
    default:
      return "Unknown error number";
  }
}

WinsockTransport::~WinsockTransport() {
  AbortData();
  CloseControl();
}

bool WinsockTransport::Resolve(const std::string& host, Ipv4Address& address, std::string& error) {
  unsigned long dotted = inet_addr(host.c_str());
  if (dotted != INADDR_NONE || host == "255.255.255.255") {
    std::memcpy(address.data(), &dotted, 4);
    return true;
  }
  hostent* entry = gethostbyname(host.c_str());
  if (entry == nullptr || entry->h_addrtype != AF_INET || entry->h_addr_list[0] == nullptr) {
    error = "Unknown host";
    return false;
  }
  std::memcpy(address.data(), entry->h_addr_list[0], 4);
  return true;
}

IoResult WinsockTransport::Connect(const Endpoint& server, std::string& error) {
  CloseControl();
  return ConnectSocket(control_, server, error);
}

IoResult WinsockTransport::ConnectSocket(SOCKET& connection, const Endpoint& server, std::string& error) {
  connection = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (connection == INVALID_SOCKET || !MakeNonBlocking(connection)) {
    error = WinsockErrorText(WSAGetLastError());
    return IoResult::kError;
  }
  sockaddr_in address = ToSockaddr(server);
  if (connect(connection, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) return IoResult::kOk;
  if (!WouldBlock()) {
    error = WinsockErrorText(WSAGetLastError());
    return IoResult::kError;
  }
  IoResult ready = WaitUntilReady(connection, Wait::kWrite, limits_.connectSeconds);
  if (ready != IoResult::kOk) return ready;
  int failure = 0;
  int length = sizeof failure;
  getsockopt(connection, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&failure), &length);
  if (failure != 0) {
    error = WinsockErrorText(failure);
    return IoResult::kError;
  }
  return IoResult::kOk;
}

IoResult WinsockTransport::SendControl(std::string_view bytes) {
  if (controlTls_) {
    std::string error;
    return NoteTls(controlTls_->Send(bytes, error), error);
  }
  return SendAll(control_, bytes, limits_.controlSeconds);
}

IoResult WinsockTransport::ReceiveControl(std::string& appendTo) {
  if (controlTls_) {
    std::string error;
    return NoteTls(controlTls_->Receive(appendTo, error), error);
  }
  return ReceiveRaw(control_, limits_.controlSeconds, appendTo);
}

IoResult WinsockTransport::NoteTls(IoResult result, const std::string& error) {
  if (result != IoResult::kOk && result != IoResult::kTimeout && !error.empty()) tlsFailure_ = error;
  return result;
}

RawLink WinsockTransport::LinkOf(SOCKET& socket, const unsigned& seconds) {
  return RawLink{[this, &socket, &seconds](std::string_view bytes) { return SendAll(socket, bytes, seconds); },
                 [this, &socket, &seconds](std::string& appendTo) { return ReceiveRaw(socket, seconds, appendTo); }};
}

IoResult WinsockTransport::StartControlTls(const TlsRequest& request, TlsPeer& peer, std::string& error) {
  const SystemTlsApi* api = LoadSystemTlsApi(error);
  if (api == nullptr) return IoResult::kError;
  credentials_ = std::make_unique<TlsCredentials>(*api);
  if (!credentials_->Acquire(error)) return IoResult::kError;
  const int length = MultiByteToWideChar(CP_ACP, 0, request.serverName.c_str(), -1, nullptr, 0);
  serverName_.assign(length > 0 ? static_cast<std::size_t>(length) : 1, L'\0');
  if (length > 0) MultiByteToWideChar(CP_ACP, 0, request.serverName.c_str(), -1, &serverName_[0], length);
  auto stream = std::make_unique<TlsStream>(*api, *credentials_, serverName_, LinkOf(control_, limits_.controlSeconds));
  const IoResult shaken = stream->Handshake(error);
  if (shaken != IoResult::kOk) return shaken;
  if (!stream->Describe(request.checkSystemTrust, peer, error)) return IoResult::kError;
  // Only TLS 1.2 and later were asked for; a Windows that ignored that is not believed.
  if (!stream->ModernProtocol()) {
    error = "the server agreed only to " + peer.protocol;
    return IoResult::kError;
  }
  controlTls_ = std::move(stream);
  return IoResult::kOk;
}

IoResult WinsockTransport::StartDataTls(std::string& error) {
  if (!controlTls_ || data_ == INVALID_SOCKET) {
    error = "no protected control connection";
    return IoResult::kError;
  }
  std::string ignored;
  const SystemTlsApi* api = LoadSystemTlsApi(ignored);
  auto stream = std::make_unique<TlsStream>(*api, *credentials_, serverName_, LinkOf(data_, limits_.dataSeconds));
  const IoResult shaken = stream->Handshake(error);
  if (shaken != IoResult::kOk) return shaken;
  dataTls_ = std::move(stream);
  return IoResult::kOk;
}

void WinsockTransport::EndControlTls(unsigned seconds) {
  if (!controlTls_) return;
  std::string error;
  if (controlTls_->SendCloseNotify(error) == IoResult::kOk) Drain(*controlTls_, control_, seconds);
}

void WinsockTransport::Drain(TlsStream& stream, SOCKET socket, unsigned seconds) {
  const std::uint64_t until = NowMilliseconds() + seconds * 1000ull;
  while (socket != INVALID_SOCKET && !stream.closeNotifyReceived()) {
    const std::uint64_t now = NowMilliseconds();
    if (now >= until) return;
    if (WaitUntilReady(socket, Wait::kRead, static_cast<unsigned>((until - now + 999) / 1000)) != IoResult::kOk) return;
    std::string dropped;
    std::string error;
    if (stream.Receive(dropped, error) != IoResult::kOk) return;
  }
}

IoResult WinsockTransport::ReceiveRaw(SOCKET socket, unsigned seconds, std::string& appendTo) {
  while (true) {
    IoResult ready = WaitUntilReady(socket, Wait::kRead, seconds);
    if (ready != IoResult::kOk) return ready;
    // As much as the socket holds: a host's job log may come in as tens of MiB of reply lines.
    char buffer[65536];
    int count = recv(socket, buffer, sizeof buffer, 0);
    if (count > 0) {
      appendTo.append(buffer, static_cast<std::size_t>(count));
      return IoResult::kOk;
    }
    if (count == 0) return IoResult::kClosed;
    if (!WouldBlock()) return WSAGetLastError() == WSAECONNRESET ? IoResult::kClosed : IoResult::kError;
  }
}

void WinsockTransport::CloseControl() {
  controlTls_.reset();
  CloseSocket(control_);
}

bool WinsockTransport::ListenForData(Endpoint& local, std::string& error) {
  AbortData();
  // The server accepts a data connection only to the address it already talks to.
  sockaddr_in address{};
  int length = sizeof address;
  if (getsockname(control_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    error = WinsockErrorText(WSAGetLastError());
    return false;
  }
  address.sin_port = 0;
  listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  length = sizeof address;
  if (listener_ == INVALID_SOCKET || !MakeNonBlocking(listener_) ||
      bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(listener_, 1) != 0 ||
      getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    error = WinsockErrorText(WSAGetLastError());
    CloseSocket(listener_);
    return false;
  }
  local = FromSockaddr(address);
  return true;
}

IoResult WinsockTransport::AcceptData(std::size_t sendBufferBytes) {
  while (true) {
    IoResult ready = WaitForConnectionOrReply();
    if (ready != IoResult::kOk) return ready;
    data_ = accept(listener_, nullptr, nullptr);
    if (data_ != INVALID_SOCKET) break;
    if (!WouldBlock()) return IoResult::kError;
  }
  CloseSocket(listener_);
  ResizeDataSendBuffer(sendBufferBytes);
  return MakeNonBlocking(data_) ? IoResult::kOk : IoResult::kError;
}

IoResult WinsockTransport::ConnectData(const Endpoint& server, std::size_t sendBufferBytes, std::string& error) {
  AbortData();
  IoResult result = ConnectSocket(data_, server, error);
  if (result != IoResult::kOk) {
    ResetSocket(data_);
    return result;
  }
  ResizeDataSendBuffer(sendBufferBytes);
  return IoResult::kOk;
}

void WinsockTransport::ResizeDataSendBuffer(std::size_t bytes) {
  const int sendBuffer = static_cast<int>(bytes);
  setsockopt(data_, SOL_SOCKET, SO_SNDBUF, reinterpret_cast<const char*>(&sendBuffer), sizeof sendBuffer);
}

IoResult WinsockTransport::SendData(std::string_view bytes) {
  if (dataTls_) {
    std::string error;
    return NoteTls(dataTls_->Send(bytes, error), error);
  }
  return SendAll(data_, bytes, limits_.dataSeconds);
}

// With TLS, close_notify tells the server the file ended here and was not cut off (a server on
// OpenSSL 3 takes an upload without it for a failed one); its own close_notify, or its close,
// is awaited briefly so the socket is not closed on bytes still coming, which would reset it.
void WinsockTransport::FinishData() {
  if (dataTls_ && data_ != INVALID_SOCKET) {
    std::string error;
    if (dataTls_->SendCloseNotify(error) == IoResult::kOk) {
      shutdown(data_, SD_SEND);
      Drain(*dataTls_, data_, 5);
    }
  } else if (data_ != INVALID_SOCKET) {
    shutdown(data_, SD_SEND);
  }
  dataTls_.reset();
  CloseSocket(data_);
}

void WinsockTransport::AbortData() {
  dataTls_.reset();
  CloseSocket(listener_);
  ResetSocket(data_);
}

std::uint64_t WinsockTransport::NowMilliseconds() { return GetTickCount(); }

IoResult WinsockTransport::WaitUntilReady(SOCKET socket, Wait wait, unsigned seconds) {
  if (socket == INVALID_SOCKET) return IoResult::kError;
  fd_set ready;
  FD_ZERO(&ready);
  FD_SET(socket, &ready);
  fd_set failed;
  FD_ZERO(&failed);
  FD_SET(socket, &failed);
  int count = Select(wait == Wait::kRead ? &ready : nullptr, wait == Wait::kWrite ? &ready : nullptr, &failed, seconds);
  if (count == 0) return IoResult::kTimeout;
  if (count < 0) return IoResult::kError;
  // A failed non-blocking connect shows in the exception set; SO_ERROR says why.
  return IoResult::kOk;
}

IoResult WinsockTransport::WaitForConnectionOrReply() {
  if (listener_ == INVALID_SOCKET || control_ == INVALID_SOCKET) return IoResult::kError;
  fd_set ready;
  FD_ZERO(&ready);
  FD_SET(listener_, &ready);
  FD_SET(control_, &ready);
  int count = Select(&ready, nullptr, nullptr, limits_.dataSeconds);
  if (count == 0) return IoResult::kTimeout;
  if (count < 0) return IoResult::kError;
  if (FD_ISSET(listener_, &ready)) return IoResult::kOk;
  return IoResult::kServerReplied;
}

int WinsockTransport::Select(fd_set* read, fd_set* write, fd_set* failed, unsigned seconds) {
  timeval limit{static_cast<long>(seconds), 0};
  return select(0, read, write, failed, seconds == 0 ? nullptr : &limit);
}

IoResult WinsockTransport::SendAll(SOCKET socket, std::string_view bytes, unsigned seconds) {
  constexpr std::size_t kMaxSend = 1024 * 1024;
  while (!bytes.empty()) {
    IoResult ready = WaitUntilReady(socket, Wait::kWrite, seconds);
    if (ready != IoResult::kOk) return ready;
    int count = send(socket, bytes.data(), static_cast<int>(bytes.size() > kMaxSend ? kMaxSend : bytes.size()), 0);
    if (count > 0) {
      bytes.remove_prefix(static_cast<std::size_t>(count));
    } else if (!WouldBlock()) {
      return IoResult::kClosed;
    }
  }
  return IoResult::kOk;
}

}  // namespace ftpclient
