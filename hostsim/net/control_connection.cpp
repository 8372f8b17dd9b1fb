#include "hostsim/net/control_connection.h"

namespace hostsim {
namespace {

// What one connection may hold for its client: lines received and not yet answered, and replies
// not yet taken. Beyond these it stops reading, and TCP holds the client back.
constexpr ControlFlow::Limits kFlowLimits{kMaxCommandLine, 64 * 1024, 64 * 1024};

std::string PeerAddress(const asio::ip::tcp::socket& socket) {
  asio::error_code error;
  return socket.remote_endpoint(error).address().to_string();
}

// The first word of a command and what follows it, the word in capitals.
std::pair<std::string, std::string> VerbAndArgument(const std::string& line) {
  const std::size_t blank = line.find(' ');
  std::string verb = line.substr(0, blank);
  for (char& c : verb) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  std::string argument = blank == std::string::npos ? std::string() : line.substr(blank + 1);
  for (char& c : argument) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return {verb, argument};
}

std::string SessionTerms(SSL* ssl) { return std::string(SSL_get_version(ssl)) + " " + SSL_get_cipher_name(ssl); }

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
                context.services.hostName, context.services.style},
      session_(services_, PeerAddress(socket_), temp_),
      flow_(kFlowLimits),
      data_(socket_.get_executor(), DataChannel::Limits{IdleTime(), context.options.maxRate},
            [this](const std::string& text) { Log(text); }),
      delay_(socket_.get_executor()),
      idle_(socket_.get_executor()),
      logBudget_(EventLog::ConnectionBudget()),
      shutdown_(socket_.get_executor()) {}

void ControlConnection::Start() {
  asio::error_code error;
  Log("connected from " + PeerAddress(socket_) + ":" + std::to_string(socket_.remote_endpoint(error).port()));
  socket_.set_option(asio::ip::tcp::no_delay(true), error);
  lastActivity_ = Clock::now();
  WatchIdle();
  flow_.Hold();
  Respond(session_.Greeting(), [this] { Done(); });
  Read();
}

void ControlConnection::Read() {
  if (closed_ || reading_ || tlsPending_ || !flow_.WantsInput()) return;
  reading_ = true;
  auto self = shared_from_this();
  auto handler = [this, self](const asio::error_code& error, std::size_t size) {
    reading_ = false;
    if (closed_) return;
    if (error) {
      if (error == asio::ssl::error::stream_truncated) {
        Log("client closed the connection without close_notify");
      } else {
        Log(error == asio::error::eof ? "client closed the connection" : "connection lost: " + error.message());
      }
      return Close();
    }
    flow_.Received(readBuffer_.data(), size);
    ProcessLines();
  };
  if (tls_) {
    tls_->async_read_some(asio::buffer(readBuffer_), handler);
  } else {
    socket_.async_read_some(asio::buffer(readBuffer_), handler);
  }
}

void ControlConnection::Write() {
  if (closed_ || writing_) return;
  if (!flow_.HasOutput()) {
    if (flow_.closing()) Close();
    return;
  }
  writing_ = true;
  auto self = shared_from_this();
  auto handler = [this, self](const asio::error_code& error, std::size_t) {
    writing_ = false;
    if (closed_) return;
    if (error) return Close();
    flow_.Sent();
    if (tlsPending_ && !tls_ && !flow_.HasOutput()) return StartTls();
    ProcessLines();
  };
  if (tls_) {
    asio::async_write(*tls_, asio::buffer(flow_.TakeOutput()), handler);
  } else {
    asio::async_write(socket_, asio::buffer(flow_.TakeOutput()), handler);
  }
}

void ControlConnection::ProcessLines() {
  if (closed_) return;
  flow_.Run([this](LineAssembler::Kind kind, const std::string& line) { Execute(kind, line); });
  Write();
  Read();
}

void ControlConnection::Execute(LineAssembler::Kind kind, const std::string& line) {
  lastActivity_ = Clock::now();
  if (kind == LineAssembler::Kind::kTooLong) {
    LogTraffic("> (line longer than " + std::to_string(kMaxCommandLine) + " bytes, ignored)");
    return Respond(session_.LineTooLong(), [this] { Done(); });
  }
  LogTraffic("> " + FtpSession::LoggedForm(line));
  if (HandleTls(line)) return;
  SessionStep step = session_.Handle(line);
  if (step.next == SessionStep::Next::kTransfer && faulty_) {
    if (context_.options.refuseData) {
      RefuseTransfer(step, session_.DataConnectionFailed(), "data connection not accepted (--refuse-data)");
    } else if (context_.options.blockActive && !session_.passive()) {
      RefuseTransfer(step, session_.ActiveConnectionFailed(), "connection back to the client blocked (--block-active)");
    }
  }
  auto next = std::make_shared<SessionStep>(std::move(step));
  Respond(std::move(next->replies), [this, next] { Continue(std::move(*next)); });
}

// The host behaves as if a firewall stopped the data connection: nothing is transferred.
void ControlConnection::RefuseTransfer(SessionStep& step, reply::Lines replies, const std::string& why) {
  Log("fault switch: " + why + "; nothing transferred");
  data_.Cancel();                     // a passive listener goes too
  step.transfer = TransferRequest{};  // an upload begun is discarded
  step.replies = std::move(replies);
  step.next = SessionStep::Next::kContinue;
}

// Explicit TLS as RFC 4217 has it. The reply texts are this host's own: no IBM i transcript of
// them was at hand, and clients go by the codes.
bool ControlConnection::HandleTls(const std::string& line) {
  const auto [verb, argument] = VerbAndArgument(line);
  const auto answer = [this](const std::string& text) { Respond(session_.Styled({text}), [this] { Done(); }); };
  if (verb == "AUTH") {
    if (context_.tls == nullptr) {
      answer("431 Security mechanism TLS is not available: no certificate is assigned to the FTP server.");
    } else if (tls_) {
      answer("503 Security environment already established.");
    } else if (argument != "TLS" && argument != "TLS-C") {
      answer("504 Security mechanism " + argument + " is not supported.");
    } else {
      tlsPending_ = true;  // before the reply goes: the next bytes are the client's handshake
      answer("234 Security environment established - ready for negotiation.");
    }
    return true;
  }
  if (verb == "PBSZ" || verb == "PROT") {
    if (!tlsUp_) {
      answer("503 " + verb + " needs AUTH TLS first.");
    } else if (verb == "PBSZ") {
      answer("200 PBSZ=0 subcommand request successful.");
    } else if (argument == "P" || argument == "C") {
      protectData_ = argument == "P";
      answer(std::string("200 Data connection protection level set to ") + (protectData_ ? "Private." : "Clear."));
    } else {
      answer("536 Data connection protection level " + argument + " is not supported.");
    }
    return true;
  }
  if (verb == "USER" && context_.options.tlsRequired && !tlsUp_) {
    Log("plain log-on refused: TLS is required (--tls-required)");
    answer("530 Log on not allowed: the FTP server requires TLS (AUTH TLS) before USER.");
    return true;
  }
  return false;
}

void ControlConnection::StartTls() {
  tls_ = std::make_unique<TlsStream>(socket_, *context_.tls);
  auto self = shared_from_this();
  tls_->async_handshake(asio::ssl::stream_base::server, [this, self](const asio::error_code& error) {
    tlsPending_ = false;
    if (closed_) return;
    if (error) {
      Log("TLS handshake failed: " + error.message());
      return Close();
    }
    tlsUp_ = true;
    Log("TLS established: " + SessionTerms(tls_->native_handle()));
    ProcessLines();
  });
}

void ControlConnection::Continue(SessionStep step) {
  switch (step.next) {
    case SessionStep::Next::kContinue:
      return Done();
    case SessionStep::Next::kClose:
      flow_.CloseWhenSent();
      return Write();
    case SessionStep::Next::kOpenPassive:
      return OpenPassive();
    case SessionStep::Next::kTransfer:
      return Transfer(std::move(step.transfer));
  }
}

void ControlConnection::Done() {
  lastActivity_ = Clock::now();
  flow_.Answered();
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
  if (tlsUp_ && protectData_) peer.protect = context_.tls;
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

// Without a delay the replies are queued and next runs at once; a command answered that way
// comes back into the loop of ControlFlow::Run, which takes the next one without going deeper.
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
  // The padding of a long reply is counted, not logged: it would crowd out the lines that matter.
  std::size_t padding = 0;
  for (const std::string& line : lines) {
    if (reply::IsPadding(line)) {
      ++padding;
      continue;
    }
    if (padding > 0) LogTraffic("< (" + std::to_string(padding) + " lines of padding: --long-reply)");
    padding = 0;
    LogTraffic("< " + FtpSession::LoggedForm(line));
  }
  flow_.Queue(lines);
  Write();
}

void ControlConnection::LogTraffic(const std::string& text) { context_.log.WriteWithin(logBudget_, id_, text); }

// The timer is not moved on every read: it wakes at the end of the idle time counted from the
// last command and looks whether there has been one since.
void ControlConnection::WatchIdle() {
  auto self = shared_from_this();
  idle_.expires_at(lastActivity_ + IdleTime());
  idle_.async_wait([this, self](const asio::error_code& error) {
    if (!error && !closed_) IdleTimeUp();
  });
}

void ControlConnection::IdleTimeUp() {
  const Clock::time_point now = Clock::now();
  if (flow_.running()) lastActivity_ = now;  // a transfer (which watches itself) or a delayed reply
  if (now < lastActivity_ + IdleTime()) return WatchIdle();
  const std::string seconds = std::to_string(context_.options.idleSeconds);
  if (writing_ || flow_.closing()) {  // the client has not taken its replies for all that time
    Log("replies not taken for " + seconds + " seconds: connection closed");
    return Close();
  }
  Log("idle for " + seconds + " seconds");
  Queue(session_.Styled({"421 Connection closed: idle for more than " + seconds + " seconds."}));
  flow_.CloseWhenSent();
  lastActivity_ = now;  // a client that does not take the 421 either is cut off after another idle time
  WatchIdle();
  Write();
}

void ControlConnection::Close() {
  if (closed_) return;
  closed_ = true;
  flow_.CloseWhenSent();
  asio::error_code ignored;
  data_.Cancel();
  delay_.cancel();
  idle_.cancel();
  if (!tlsUp_) return FinishClose();
  // close_notify, so the client knows nothing was cut off; its own is waited for briefly.
  socket_.cancel(ignored);
  auto self = shared_from_this();
  shutdown_.expires_after(std::chrono::seconds(2));
  shutdown_.async_wait([this, self](const asio::error_code& error) {
    asio::error_code ignored;
    if (!error) socket_.close(ignored);
  });
  tls_->async_shutdown([this, self](const asio::error_code&) {
    shutdown_.cancel();
    FinishClose();
  });
}

void ControlConnection::FinishClose() {
  asio::error_code ignored;
  socket_.shutdown(asio::ip::tcp::socket::shutdown_both, ignored);
  socket_.close(ignored);
  session_.EndJob();
  context_.log.WriteSummary(logBudget_, id_);
  Log("disconnected");
  if (context_.onFinished) context_.onFinished(id_);
}

}  // namespace hostsim
