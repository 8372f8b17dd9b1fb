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
  return SendAll(control_, bytes, limits_.controlSeconds);
}

IoResult WinsockTransport::ReceiveControl(std::string& appendTo) {
  while (true) {
    IoResult ready = WaitUntilReady(control_, Wait::kRead, limits_.controlSeconds);
    if (ready != IoResult::kOk) return ready;
    char buffer[4096];
    int count = recv(control_, buffer, sizeof buffer, 0);
    if (count > 0) {
      appendTo.append(buffer, static_cast<std::size_t>(count));
      return IoResult::kOk;
    }
    if (count == 0) return IoResult::kClosed;
    if (!WouldBlock()) return WSAGetLastError() == WSAECONNRESET ? IoResult::kClosed : IoResult::kError;
  }
}

void WinsockTransport::CloseControl() { CloseSocket(control_); }

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

IoResult WinsockTransport::SendData(std::string_view bytes) { return SendAll(data_, bytes, limits_.dataSeconds); }

void WinsockTransport::FinishData() {
  if (data_ != INVALID_SOCKET) shutdown(data_, SD_SEND);
  CloseSocket(data_);
}

void WinsockTransport::AbortData() {
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
