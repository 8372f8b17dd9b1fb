// What the client's logic needs from the operating system: one control connection, one data
// connection at a time (active mode: we listen, the server connects; passive mode: we connect),
// local files and a clock.
// The Winsock layer implements it; unit tests replace it with a scripted fake server.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace ftpclient {

using Ipv4Address = std::array<std::uint8_t, 4>;

struct Endpoint {
  Ipv4Address address{};
  std::uint16_t port = 0;
};

// With a time limit set, every blocking operation gives up after that long without progress and
// says so with kTimeout. Without one (the default, as with the Windows client) it waits for ever.
struct TimeLimits {
  unsigned connectSeconds = 0;  // making a connection, control or data
  unsigned controlSeconds = 0;  // without a byte of the server's reply, or taken of a command
  unsigned dataSeconds = 0;     // without progress on the data connection, or waiting for it
};

// kServerReplied: while the client waited for the server to open the data connection, the server
// spoke on the control connection instead, which means it has given the transfer up.
enum class IoResult { kOk, kTimeout, kClosed, kError, kServerReplied };

using Sha256 = std::array<std::uint8_t, 32>;

struct UtcTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

// What a TLS handshake showed of the server: the session's terms and the server's certificate.
struct TlsPeer {
  std::string protocol;  // "TLS 1.2"
  std::string cipher;    // the cipher suite, or the names of its algorithms
  Sha256 sha256{};       // of the certificate as sent (DER)
  std::string subject;   // UTF-8, as the system writes a name; may hold any byte the server put there
  std::string issuer;
  UtcTime validFrom;
  UtcTime validTo;
  // Filled only when asked for: the chain ends in a root the system trusts and the certificate
  // names the server as the client named it.
  bool systemTrusted = false;
};

struct TlsRequest {
  std::string serverName;  // the host as given to "open"
  bool checkSystemTrust = false;
};

class Transport {
 public:
  virtual ~Transport() = default;

  // Dotted addresses and host names; on failure `error` says why.
  virtual bool Resolve(const std::string& host, Ipv4Address& address, std::string& error) = 0;
  // Applies from the next operation on; all zero until set.
  virtual void SetTimeLimits(const TimeLimits& limits) = 0;

  virtual IoResult Connect(const Endpoint& server, std::string& error) = 0;
  virtual IoResult SendControl(std::string_view bytes) = 0;
  // Appends whatever arrived (at least one byte when kOk).
  virtual IoResult ReceiveControl(std::string& appendTo) = 0;
  virtual void CloseControl() = 0;

  // Opens a listening socket on the control connection's local address; `local` receives the
  // endpoint to announce with PORT.
  virtual bool ListenForData(Endpoint& local, std::string& error) = 0;
  // Waits for the server's data connection, watching the control connection meanwhile. The
  // connection's send buffer is asked to hold `sendBufferBytes`: bytes in it count as sent.
  virtual IoResult AcceptData(std::size_t sendBufferBytes) = 0;
  // Passive mode: connects to the server's data port, with the same send buffer.
  virtual IoResult ConnectData(const Endpoint& server, std::size_t sendBufferBytes, std::string& error) = 0;
  virtual IoResult SendData(std::string_view bytes) = 0;
  // Asks the data connection's send buffer to hold `bytes` from now on.
  virtual void ResizeDataSendBuffer(std::size_t bytes) = 0;
  // Ends the upload gracefully so the server sees every byte and then the end of the file.
  virtual void FinishData() = 0;
  // Drops the listener or the data connection without ceremony.
  virtual void AbortData() = 0;

  virtual std::uint64_t NowMilliseconds() = 0;

  // TLS (explicit, the client always the TLS client). After the server's 234 to AUTH TLS: the
  // handshake on the control connection, which then carries TLS records only. On failure `error`
  // says why (with the system's status code in hex). The defaults stand for a transport without
  // TLS, so a test transport that never meets a TLS server needs none of this.
  virtual IoResult StartControlTls(const TlsRequest&, TlsPeer&, std::string& error) {
    error = "TLS is not available";
    return IoResult::kError;
  }
  // The data connection just made becomes TLS, offering the control connection's session for
  // reuse. From then on FinishData sends close_notify before it closes.
  virtual IoResult StartDataTls(std::string& error) {
    error = "TLS is not available";
    return IoResult::kError;
  }
  // At the end of a TLS session: sends close_notify on the control connection and reads the
  // server's, waiting at most `seconds` for it. The connection stays open for CloseControl.
  virtual void EndControlTls(unsigned /*seconds*/) {}
  // Why the last failed control or data operation failed when TLS was the cause (a record that
  // does not decrypt, a peer gone without close_notify); empty otherwise. Taking it clears it.
  virtual std::string TakeTlsFailure() { return {}; }
};

class LocalFileReader {
 public:
  virtual ~LocalFileReader() = default;
  // Fills up to `capacity` bytes; returns the count, 0 at the end. Sets `failed` on a read error.
  virtual std::size_t Read(char* buffer, std::size_t capacity, bool& failed) = 0;
};

class LocalFiles {
 public:
  virtual ~LocalFiles() = default;
  // Null when the file cannot be opened for reading.
  virtual std::unique_ptr<LocalFileReader> OpenForReading(const std::string& path) = 0;
};

// Standard output of the client. Text uses "\n" line ends; the sink decides how they are stored.
class Transcript {
 public:
  virtual ~Transcript() = default;
  virtual void Write(std::string_view text) = 0;
};

}  // namespace ftpclient
