#pragma once
// One data connection at a time: a passive listener or an active connection to the client,
// then an upload streamed into a sink or a download streamed from a source.
#include <array>
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
  enum class Result { kComplete, kAborted, kWriteFailed, kDropped, kNoConnection };
  using Done = std::function<void(Result result, std::uint64_t bytes)>;

  struct Peer {
    bool passive = false;
    asio::ip::tcp::endpoint active;  // where to connect for PORT
    asio::ip::address client;        // the only address a passive connection is taken from
  };

  using Note = std::function<void(const std::string&)>;
  DataChannel(const asio::any_io_executor& executor, Note note)
      : executor_(executor), socket_(executor), timer_(executor), note_(std::move(note)) {}

  // Opens a passive listener on an ephemeral port of local; returns the port, 0 on failure.
  std::uint16_t Listen(const asio::ip::address& local);
  void Receive(const Peer& peer, UploadSink& sink, std::optional<std::uint64_t> dropAfter, Done done);
  void Send(const Peer& peer, std::unique_ptr<savf::ByteSource> source, std::string text, Done done);
  // Ends what runs now; its Done is called with kAborted.
  void Cancel();

 private:
  void Connect(const Peer& peer, std::function<void()> connected);
  void Accept(const asio::ip::address& client, std::function<void()> connected);
  void ReadMore();
  void WriteMore();
  void Finish(Result result);

  static constexpr std::size_t kBufferSize = 256 * 1024;

  asio::any_io_executor executor_;
  std::unique_ptr<asio::ip::tcp::acceptor> acceptor_;
  asio::ip::tcp::socket socket_;
  asio::steady_timer timer_;
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
