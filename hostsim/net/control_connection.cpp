#include "hostsim/net/control_connection.h"

#include <chrono>

namespace hostsim {
namespace {

// Lines waiting beyond this stop the reading until the session has caught up.
constexpr std::size_t kMaxPendingBytes = 64 * 1024;

std::string PeerAddress(const asio::ip::tcp::socket& socket) {
  asio::error_code error;
  return socket.remote_endpoint(error).address().to_string();
}

const FaultSwitches& NoFaults() {
  static const FaultSwitches none;
  return none;
}

}  // namespace

ControlConnection::ControlConnection(asio::ip::tcp::socket socket, unsigned long id, ConnectionContext& context)
    : socket_(std::move(socket)),
      id_(id),
      context_(context),
      temp_(context.tempRoot + "/" + std::to_string(id)),
      faulty_(id >= context.options.faultsFromConnection),
      services_{context.services.users, context.services.libraries, faulty_ ? context.services.faults : NoFaults(),
                context.services.hostName},
      session_(services_, PeerAddress(socket_), temp_),
      data_(socket_.get_executor(), [this](const std::string& text) { Log(text); }),
      delay_(socket_.get_executor()),
      idle_(socket_.get_executor()) {}

void ControlConnection::Start() {
  asio::error_code error;
  Log("connected from " + PeerAddress(socket_) + ":" + std::to_string(socket_.remote_endpoint(error).port()));
  socket_.set_option(asio::ip::tcp::no_delay(true), error);
  Idle();
  busy_ = true;
  Respond(session_.Greeting(), [this] { Done(); });
  ReadControl();
}

void ControlConnection::ReadControl() {
  if (closed_) return;
  if (lines_.Pending() > kMaxPendingBytes) {
    readPaused_ = true;
    return;
  }
  auto self = shared_from_this();
  socket_.async_read_some(asio::buffer(readBuffer_), [this, self](const asio::error_code& error, std::size_t size) {
    if (error) {
      if (!closed_)
        Log(error == asio::error::eof ? "client closed the connection" : "connection lost: " + error.message());
      return Close();
    }
    lines_.Feed(readBuffer_.data(), size);
    Idle();
    ProcessLines();
    ReadControl();
  });
}

void ControlConnection::ProcessLines() {
  std::string line;
  while (!busy_ && !closed_ && !closeWhenSent_) {
    const LineAssembler::Kind kind = lines_.Next(line);
    if (kind == LineAssembler::Kind::kNone) break;
    if (kind == LineAssembler::Kind::kTooLong) {
      Log("> (line longer than " + std::to_string(kMaxCommandLine) + " bytes, ignored)");
      busy_ = true;
      Respond(session_.LineTooLong(), [this] { Done(); });
      continue;
    }
    Execute(line);
  }
  if (readPaused_ && lines_.Pending() <= kMaxPendingBytes) {
    readPaused_ = false;
    ReadControl();
  }
}

void ControlConnection::Execute(const std::string& line) {
  Log("> " + FtpSession::LoggedForm(line));
  busy_ = true;
  SessionStep step = session_.Handle(line);
  auto next = std::make_shared<SessionStep>(std::move(step));
  Respond(std::move(next->replies), [this, next] { Continue(std::move(*next)); });
}

void ControlConnection::Continue(SessionStep step) {
  switch (step.next) {
    case SessionStep::Next::kContinue:
      return Done();
    case SessionStep::Next::kClose:
      closeWhenSent_ = true;
      if (!writing_) Close();
      return;
    case SessionStep::Next::kOpenPassive:
      return OpenPassive();
    case SessionStep::Next::kTransfer:
      return Transfer(std::move(step.transfer));
  }
}

void ControlConnection::Done() {
  busy_ = false;
  ProcessLines();
}

void ControlConnection::OpenPassive() {
  asio::error_code error;
  const asio::ip::address local = socket_.local_endpoint(error).address();
  const std::uint16_t port = error ? 0 : data_.Listen(local);
  Respond(port == 0 ? session_.PassiveFailed() : session_.PassiveOpened(local.to_string(), port), [this] { Done(); });
}

void ControlConnection::Transfer(TransferRequest request) {
  DataChannel::Peer peer;
  asio::error_code error;
  peer.passive = session_.passive();
  peer.client = socket_.remote_endpoint(error).address();
  if (!peer.passive) {
    const DataEndpoint& endpoint = session_.activeEndpoint();
    peer.active = asio::ip::tcp::endpoint(asio::ip::make_address(endpoint.address, error), endpoint.port);
  }
  auto self = shared_from_this();
  if (request.upload) {
    UploadSink& sink = *request.upload;
    auto upload = std::make_shared<std::unique_ptr<UploadSink>>(std::move(request.upload));
    data_.Receive(peer, sink, faulty_ ? context_.options.dropUploadAfter : std::nullopt,
                  [this, self, upload](DataChannel::Result result, std::uint64_t bytes) {
                    UploadDone(std::move(*upload), result, bytes);
                  });
    return;
  }
  data_.Send(peer, std::move(request.download), std::move(request.listing),
             [this, self](DataChannel::Result result, std::uint64_t bytes) {
               Log("sent " + std::to_string(bytes) + " bytes");
               if (closed_) return;
               if (result == DataChannel::Result::kNoConnection) {
                 return Respond(session_.DataConnectionFailed(), [this] { Done(); });
               }
               Respond(session_.SendEnded(result == DataChannel::Result::kComplete), [this] { Done(); });
             });
}

void ControlConnection::UploadDone(std::unique_ptr<UploadSink> upload, DataChannel::Result result,
                                   std::uint64_t bytes) {
  Log("received " + std::to_string(bytes) + " bytes");
  if (result == DataChannel::Result::kDropped) {
    Log("fault switch: connection dropped after " + std::to_string(bytes) + " bytes of the upload");
    upload.reset();  // the partial upload is discarded
    return Close();
  }
  if (closed_) return;  // the client went away: nothing is committed
  if (result == DataChannel::Result::kNoConnection) return Respond(session_.DataConnectionFailed(), [this] { Done(); });
  const UploadEnd how = result == DataChannel::Result::kComplete      ? UploadEnd::kComplete
                        : result == DataChannel::Result::kWriteFailed ? UploadEnd::kWriteFailed
                                                                      : UploadEnd::kAborted;
  Respond(session_.UploadEnded(std::move(upload), how), [this] { Done(); });
}

void ControlConnection::Respond(reply::Lines lines, std::function<void()> next) {
  if (closed_) return;
  if (context_.options.delayMs <= 0) {
    Queue(lines);
    return next();
  }
  auto self = shared_from_this();
  delay_.expires_after(std::chrono::milliseconds(context_.options.delayMs));
  delay_.async_wait([this, self, lines, next](const asio::error_code& error) {
    if (error || closed_) return;
    Queue(lines);
    next();
  });
}

void ControlConnection::Queue(const reply::Lines& lines) {
  for (const std::string& line : lines) {
    Log("< " + FtpSession::LoggedForm(line));
    outbox_.push_back(line + "\r\n");
  }
  if (!writing_) WriteNext();
}

void ControlConnection::WriteNext() {
  if (closed_) return;
  if (outbox_.empty()) {
    writing_ = false;
    if (closeWhenSent_) Close();
    return;
  }
  writing_ = true;
  auto self = shared_from_this();
  asio::async_write(socket_, asio::buffer(outbox_.front()), [this, self](const asio::error_code& error, std::size_t) {
    if (error) return Close();
    outbox_.pop_front();
    WriteNext();
  });
}

void ControlConnection::Idle() {
  auto self = shared_from_this();
  idle_.expires_after(std::chrono::seconds(context_.options.idleSeconds));
  idle_.async_wait([this, self](const asio::error_code& error) {
    if (error || closed_) return;
    if (busy_) return Idle();  // a transfer is running
    Log("idle for " + std::to_string(context_.options.idleSeconds) + " seconds");
    Queue({"421 Connection closed: idle for more than " + std::to_string(context_.options.idleSeconds) + " seconds."});
    closeWhenSent_ = true;
  });
}

void ControlConnection::Close() {
  if (closed_) return;
  closed_ = true;
  asio::error_code ignored;
  data_.Cancel();
  delay_.cancel();
  idle_.cancel();
  socket_.shutdown(asio::ip::tcp::socket::shutdown_both, ignored);
  socket_.close(ignored);
  session_.EndJob();
  Log("disconnected");
  if (context_.onFinished) context_.onFinished(id_);
}

}  // namespace hostsim
