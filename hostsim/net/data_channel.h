#pragma once
// One data connection at a time: a passive listener or an active connection to the client,
// then an upload streamed into a sink or a download streamed from a source. A transfer that makes
// no progress for the idle time ends as aborted; an upload may be paced to a given rate.
#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "hostsim/core/host_storage.h"
#include "hostsim/net/asio_config.h"

namespace hostsim {

class DataChannel {
 public:
  using Clock = std::chrono::steady_clock;
  enum class Result { kComplete, kAborted, kWriteFailed, kDropped, kNoConnection };
  using Done = std::function<void(Result result, std::uint64_t bytes)>;

  struct Peer {
    bool passive = false;
    asio::ip::tcp::endpoint active;         // where to connect for PORT
    asio::ip::address client;               // the only address a passive connection is taken from
    asio::ssl::context* protect = nullptr;  // PROT P: the connection has its TLS handshake first
  };

  struct Limits {
    std::chrono::seconds idle;  // a transfer without progress for this long is ended
    std::uint64_t maxRate = 0;  // bytes a second an upload is read with at most; 0: no limit
  };

  using Note = std::function<void(const std::string&)>;
  DataChannel(const asio::any_io_executor& executor, const Limits& limits, Note note)
      : executor_(executor),
        socket_(executor),
        timer_(executor),
        watchdog_(executor),
        pace_(executor),
        limits_(limits),
        note_(std::move(note)) {}

  // Opens a passive listener on an ephemeral port of local; returns the port, 0 on failure.
  std::uint16_t Listen(const asio::ip::address& local);
  void Receive(const Peer& peer, UploadSink& sink, std::optional<std::uint64_t> dropAfter, Done done);
  void Send(const Peer& peer, std::unique_ptr<savf::ByteSource> source, std::string text, Done done);
  // Ends what runs now; its Done is called with kAborted.
  void Cancel();

 private:
  void Connect(const Peer& peer, std::function<void()> connected);
  // The TLS handshake (as server) on the connection just made, when the peer asked for it.
  void Secure(asio::ssl::context* protect, std::function<void()> secured);
  template <class Operation>
  void OnStream(Operation operation) {
    if (tls_) {
      operation(*tls_);
    } else {
      operation(socket_);
    }
  }
  void Accept(const asio::ip::address& client, std::function<void()> connected);
  void ReadMore();
  void Received(const asio::error_code& error, std::size_t size);
  void WriteMore();
  void Progressed() { lastProgress_ = Clock::now(); }
  void WatchProgress();
  // How many bytes the next read may take, and whether it must wait first to keep the rate.
  std::size_t ReadRoom() const;
  Clock::time_point ReadDue() const;
  void Finish(Result result);
  // A protected transfer ends with close_notify both ways (a TLS client takes an end without it
  // for a cut-off), waited for a few seconds at most; then Finish.
  void EndTls(Result result);

  static constexpr std::size_t kBufferSize = 256 * 1024;

  asio::any_io_executor executor_;
  std::unique_ptr<asio::ip::tcp::acceptor> acceptor_;
  asio::ip::tcp::socket socket_;
  // Replaced, never reset, between transfers: a stream is not destroyed from its own handler.
  std::unique_ptr<asio::ssl::stream<asio::ip::tcp::socket&>> tls_;
  asio::steady_timer timer_;     // the connection must come in time
  asio::steady_timer watchdog_;  // then the transfer must make progress
  asio::steady_timer pace_;      // a paced upload waits here before it reads on
  Limits limits_;
  Clock::time_point started_;
  Clock::time_point lastProgress_;
  std::unique_ptr<std::array<char, kBufferSize>> buffer_;
  Note note_;  // reports events worth logging
  Done done_;
  std::uint64_t bytes_ = 0;
  // Upload
  UploadSink* sink_ = nullptr;
  std::optional<std::uint64_t> dropAfter_;
  // Download
  std::unique_ptr<savf::ByteSource> source_;
  std::string text_;
};

}  // namespace hostsim
