// One TLS connection over SChannel, the client always the TLS client: the handshake, records out
// and in, close_notify, and what the server showed of itself. The raw bytes go through a RawLink,
// so the socket and its time limits stay the transport's.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "ftpclient/core/transport.h"
#include "ftpclient/win/system_tls_api.h"

namespace ftpclient {

struct RawLink {
  std::function<IoResult(std::string_view)> send;
  std::function<IoResult(std::string&)> receive;  // appends at least one byte when kOk
};

// The credentials of one control connection and its data connections. Sharing them, with the
// same server name, is what lets SChannel offer the control connection's session for reuse.
class TlsCredentials {
 public:
  explicit TlsCredentials(const SystemTlsApi& api) : api_(api) {}
  ~TlsCredentials();
  TlsCredentials(const TlsCredentials&) = delete;
  TlsCredentials& operator=(const TlsCredentials&) = delete;
  bool Acquire(std::string& error);
  CredHandle& handle() { return handle_; }

 private:
  const SystemTlsApi& api_;
  CredHandle handle_{};
  bool acquired_ = false;
};

class TlsStream {
 public:
  TlsStream(const SystemTlsApi& api, TlsCredentials& credentials, std::wstring serverName, RawLink link)
      : api_(api), credentials_(credentials), serverName_(std::move(serverName)), link_(std::move(link)) {}
  ~TlsStream();
  TlsStream(const TlsStream&) = delete;
  TlsStream& operator=(const TlsStream&) = delete;

  IoResult Handshake(std::string& error);
  IoResult Send(std::string_view plain, std::string& error);
  // Appends decrypted bytes (at least one when kOk). kClosed after the server's close_notify (then
  // closeNotifyReceived()) or when the connection ended without one (`error` says so).
  IoResult Receive(std::string& appendTo, std::string& error);
  IoResult SendCloseNotify(std::string& error);
  bool closeNotifyReceived() const { return closeNotify_; }
  // The negotiated terms and the server's certificate; false when they cannot be read.
  bool Describe(bool checkSystemTrust, TlsPeer& peer, std::string& error);
  // The negotiated protocol is TLS 1.2 or later.
  bool ModernProtocol();

 private:
  IoResult HandshakeLoop(bool afterRecord, std::string& error);
  IoResult SendToken(SecBuffer& token);
  bool SystemTrusts(PCCERT_CONTEXT certificate);

  const SystemTlsApi& api_;
  TlsCredentials& credentials_;
  std::wstring serverName_;
  RawLink link_;
  CtxtHandle context_{};
  bool haveContext_ = false;
  SecPkgContext_StreamSizes sizes_{};
  std::string incoming_;  // raw bytes not yet decrypted
  bool closeNotify_ = false;
};

// "SEC_E_ILLEGAL_MESSAGE (0x80090326)", or the bare hex value for a code without a name here.
std::string SecurityStatusText(SECURITY_STATUS status);

}  // namespace ftpclient
