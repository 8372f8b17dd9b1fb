#include "hostsim/net/data_channel.h"

#include <algorithm>
#include <chrono>

namespace hostsim {
namespace {

constexpr auto kConnectTimeout = std::chrono::seconds(30);
constexpr auto kTlsShutdownTime = std::chrono::seconds(5);
// A paced upload reads a twentieth of a second's worth at a time, so the rate holds evenly.
constexpr std::uint64_t kPaceSlicesPerSecond = 20;
// And its socket takes only a small window, as a slow line would: the client then feels the pace
// at once, instead of filling megabytes of loopback buffer first (and its hash marks with them).
constexpr int kPacedReceiveBufferBytes = 32 * 1024;

}  // namespace

std::uint16_t DataChannel::Listen(const asio::ip::address& local) {
  asio::error_code error;
  acceptor_ = std::make_unique<asio::ip::tcp::acceptor>(executor_);
  acceptor_->open(local.is_v4() ? asio::ip::tcp::v4() : asio::ip::tcp::v6(), error);
  if (!error && limits_.maxRate > 0) {
    acceptor_->set_option(asio::socket_base::receive_buffer_size(kPacedReceiveBufferBytes), error);
  }
  if (!error) acceptor_->bind(asio::ip::tcp::endpoint(local, 0), error);
  if (!error) acceptor_->listen(1, error);
  if (error) {
    acceptor_.reset();
    return 0;
  }
  return acceptor_->local_endpoint(error).port();
}

void DataChannel::Secure(asio::ssl::context* protect, std::function<void()> secured) {
  if (protect == nullptr) {
    if (tls_) tls_ = nullptr;
    return secured();
  }
  tls_ = std::make_unique<asio::ssl::stream<asio::ip::tcp::socket&>>(socket_, *protect);
  Progressed();
  WatchProgress();  // a client that never finishes its handshake is cut off like a silent one
  tls_->async_handshake(asio::ssl::stream_base::server, [this, secured](const asio::error_code& error) {
    if (error) {
      note_("data connection TLS handshake failed: " + error.message());
      return Finish(Result::kAborted);
    }
    SSL* ssl = tls_->native_handle();
    note_(std::string("data connection protected: ") + SSL_get_version(ssl) + " " + SSL_get_cipher_name(ssl));
    secured();
  });
}

void DataChannel::Connect(const Peer& peer, std::function<void()> connected) {
  bytes_ = 0;
  tls_.reset();
  timer_.expires_after(kConnectTimeout);
  timer_.async_wait([this](const asio::error_code& error) {
    if (error) return;  // cancelled: the connection came in time
    if (acceptor_) acceptor_->close();
    socket_.close();
  });
  if (peer.passive) {
    Accept(peer.client, std::move(connected));
    return;
  }
  if (limits_.maxRate > 0) {
    // Set before the connection is made, so that the window offered to the client follows it.
    asio::error_code ignored;
    socket_.open(peer.active.protocol(), ignored);
    socket_.set_option(asio::socket_base::receive_buffer_size(kPacedReceiveBufferBytes), ignored);
  }
  socket_.async_connect(peer.active, [this, connected](const asio::error_code& error) {
    timer_.cancel();
    if (error) return Finish(Result::kNoConnection);
    connected();
  });
}

// Takes the first connection that comes from the client; others are closed and not used.
void DataChannel::Accept(const asio::ip::address& client, std::function<void()> connected) {
  if (!acceptor_) return Finish(Result::kNoConnection);
  acceptor_->async_accept(socket_, [this, client, connected](const asio::error_code& error) {
    if (error) return Finish(Result::kNoConnection);
    asio::error_code gone;
    const asio::ip::address from = socket_.remote_endpoint(gone).address();
    if (gone) return Finish(Result::kAborted);  // reset before it was taken: nothing to read
    asio::error_code ignored;
    if (from != client) {
      note_("data connection from " + from.to_string() + " refused: not the client's address");
      socket_.close();
      return Accept(client, connected);
    }
    timer_.cancel();
    acceptor_->close(ignored);
    acceptor_.reset();
    connected();
  });
}

// Checks now and then, not on every read, so a fast transfer pays nothing for the watch.
void DataChannel::WatchProgress() {
  watchdog_.expires_at(lastProgress_ + limits_.idle);
  watchdog_.async_wait([this](const asio::error_code& error) {
    if (error || !socket_.is_open()) return;
    if (Clock::now() < lastProgress_ + limits_.idle) return WatchProgress();
    note_("data connection without progress for " + std::to_string(limits_.idle.count()) + " seconds: transfer ended");
    asio::error_code ignored;
    socket_.close(ignored);  // the read or write waiting fails, and the transfer ends as aborted
  });
}

void DataChannel::Receive(const Peer& peer, UploadSink& sink, std::optional<std::uint64_t> dropAfter, Done done) {
  done_ = std::move(done);
  sink_ = &sink;
  dropAfter_ = dropAfter;
  if (!buffer_) buffer_ = std::make_unique<std::array<char, kBufferSize>>();
  Connect(peer, [this, protect = peer.protect] {
    Secure(protect, [this] {
      started_ = Clock::now();
      Progressed();
      WatchProgress();
      ReadMore();
    });
  });
}

std::size_t DataChannel::ReadRoom() const {
  if (limits_.maxRate == 0) return kBufferSize;
  return static_cast<std::size_t>(std::clamp<std::uint64_t>(limits_.maxRate / kPaceSlicesPerSecond, 1, kBufferSize));
}

// When the bytes received so far have taken the time the rate allows for them.
DataChannel::Clock::time_point DataChannel::ReadDue() const {
  if (limits_.maxRate == 0) return started_;
  const std::chrono::duration<double> due(static_cast<double>(bytes_) / static_cast<double>(limits_.maxRate));
  return started_ + std::chrono::duration_cast<Clock::duration>(due);
}

void DataChannel::ReadMore() {
  const Clock::time_point due = ReadDue();
  if (due > Clock::now()) {
    pace_.expires_at(due);
    pace_.async_wait([this](const asio::error_code& error) {
      if (error || !socket_.is_open()) return Finish(Result::kAborted);
      Progressed();  // the wait was the host's own
      ReadMore();
    });
    return;
  }
  OnStream([this](auto& stream) {
    stream.async_read_some(asio::buffer(buffer_->data(), ReadRoom()),
                           [this](const asio::error_code& error, std::size_t size) { Received(error, size); });
  });
}

void DataChannel::Received(const asio::error_code& error, std::size_t size) {
  if (size > 0) {
    Progressed();
    std::size_t keep = size;
    const bool drop = dropAfter_ && bytes_ + size >= *dropAfter_;
    if (drop) keep = static_cast<std::size_t>(*dropAfter_ - bytes_);
    if (!sink_->Write(buffer_->data(), keep)) return Finish(Result::kWriteFailed);
    bytes_ += keep;
    if (drop) return Finish(Result::kDropped);
  }
  // Over TLS, eof is the client's close_notify; a TLS upload ended without one (stream_truncated)
  // may have been cut off by someone in between, so it is not taken as whole.
  if (error == asio::error::eof) return tls_ ? EndTls(Result::kComplete) : Finish(Result::kComplete);
  if (error == asio::ssl::error::stream_truncated) note_("data connection closed without close_notify");
  if (error) return Finish(Result::kAborted);
  ReadMore();
}

void DataChannel::Send(const Peer& peer, std::unique_ptr<savf::ByteSource> source, std::string text, Done done) {
  done_ = std::move(done);
  source_ = std::move(source);
  text_ = std::move(text);
  if (!buffer_) buffer_ = std::make_unique<std::array<char, kBufferSize>>();
  Connect(peer, [this, protect = peer.protect] {
    Secure(protect, [this] {
      Progressed();
      WatchProgress();
      WriteMore();
    });
  });
}

void DataChannel::WriteMore() {
  std::size_t size = 0;
  if (source_) {
    size = static_cast<std::size_t>(std::min<std::uint64_t>(kBufferSize, source_->Size() - bytes_));
    if (size > 0 && !source_->ReadAt(bytes_, buffer_->data(), size)) return Finish(Result::kAborted);
  } else {
    size = std::min(kBufferSize, text_.size() - static_cast<std::size_t>(bytes_));
    std::copy_n(text_.data() + bytes_, size, buffer_->data());
  }
  if (size == 0) return tls_ ? EndTls(Result::kComplete) : Finish(Result::kComplete);
  OnStream([this, size](auto& stream) {
    asio::async_write(stream, asio::buffer(buffer_->data(), size),
                      [this](const asio::error_code& error, std::size_t n) {
                        if (error) return Finish(Result::kAborted);
                        bytes_ += n;
                        Progressed();
                        WriteMore();
                      });
  });
}

void DataChannel::EndTls(Result result) {
  timer_.expires_after(kTlsShutdownTime);
  timer_.async_wait([this](const asio::error_code& error) {
    asio::error_code ignored;
    if (!error) socket_.close(ignored);  // the shutdown waiting fails, and Finish follows
  });
  tls_->async_shutdown([this, result](const asio::error_code&) { Finish(result); });
}

void DataChannel::Cancel() {
  asio::error_code ignored;
  if (acceptor_) acceptor_->close(ignored);
  socket_.close(ignored);
  timer_.cancel();
  watchdog_.cancel();
  pace_.cancel();
}

void DataChannel::Finish(Result result) {
  asio::error_code ignored;
  timer_.cancel();
  watchdog_.cancel();
  pace_.cancel();
  if (socket_.is_open()) {
    socket_.shutdown(asio::ip::tcp::socket::shutdown_both, ignored);
    socket_.close(ignored);
  }
  if (acceptor_) {  // a passive listener serves one transfer
    acceptor_->close(ignored);
    acceptor_.reset();
  }
  sink_ = nullptr;
  source_.reset();
  text_.clear();
  Done done = std::move(done_);
  done_ = nullptr;
  if (done) done(result, bytes_);
}

}  // namespace hostsim
