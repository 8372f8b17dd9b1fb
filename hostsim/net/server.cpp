#include "hostsim/net/server.h"

#include <chrono>
#include <csignal>

namespace hostsim {

Server::Server(asio::io_context& io, ConnectionContext& context)
    : io_(io),
      context_(context),
      acceptor_(io),
      signals_(io, SIGTERM, SIGINT),
      retry_(io),
      refusals_(EventLog::ConnectionBudget()) {
  context_.onFinished = [this](unsigned long id) {
    --open_;
    // Called from inside the connection; it stays alive through its own handlers.
    asio::post(io_, [this, id] { connections_.erase(id); });
  };
}

bool Server::Listen(const std::string& address, std::uint16_t port, std::string& error) {
  asio::error_code code;
  const asio::ip::address ip = asio::ip::make_address(address, code);
  if (code) {
    error = "address " + address + " is not valid";
    return false;
  }
  const asio::ip::tcp::endpoint endpoint(ip, port);
  acceptor_.open(endpoint.protocol(), code);
  // A restarted server must get its port back while old connections linger in TIME_WAIT.
  if (!code) acceptor_.set_option(asio::ip::tcp::acceptor::reuse_address(true), code);
  if (!code) acceptor_.bind(endpoint, code);
  if (!code) acceptor_.listen(asio::socket_base::max_listen_connections, code);
  if (code) {
    error = "cannot listen on " + address + ":" + std::to_string(port) + ": " + code.message();
    return false;
  }
  return true;
}

std::uint16_t Server::port() const {
  asio::error_code ignored;
  return acceptor_.local_endpoint(ignored).port();
}

void Server::Run() {
  signals_.async_wait([this](const asio::error_code& error, int signal) {
    if (!error) Stop(signal);
  });
  Accept();
  io_.run();
}

void Server::Accept() {
  acceptor_.async_accept([this](const asio::error_code& error, asio::ip::tcp::socket socket) {
    if (stopping_) return;
    if (!error && open_ >= context_.options.maxConnections) {
      Refuse(std::move(socket));
      return Accept();
    }
    if (!error) {
      ++open_;
      const unsigned long id = nextId_++;
      auto connection = std::make_shared<ControlConnection>(std::move(socket), id, context_);
      connections_[id] = connection;
      connection->Start();
      return Accept();
    }
    // Out of descriptors, for example: try again shortly instead of spinning.
    context_.log.Write(0, "accept failed: " + error.message());
    retry_.expires_after(std::chrono::milliseconds(100));
    retry_.async_wait([this](const asio::error_code& waitError) {
      if (!waitError && !stopping_) Accept();
    });
  });
}

// One reply, written without waiting for the client to take it, then the connection is closed.
void Server::Refuse(asio::ip::tcp::socket socket) {
  asio::error_code ignored;
  const std::string limit = std::to_string(context_.options.maxConnections);
  const asio::ip::tcp::endpoint peer = socket.remote_endpoint(ignored);
  context_.log.WriteWithin(refusals_, 0,
                           "connection from " + peer.address().to_string() + ":" + std::to_string(peer.port()) +
                               " refused: " + limit + " connections open");
  const std::string text =
      reply::Styled({"421 Connection refused: " + limit + " connections are open. Try again later."},
                    context_.services.style)[0] +
      "\r\n";
  socket.non_blocking(true, ignored);
  socket.write_some(asio::buffer(text), ignored);
  socket.shutdown(asio::ip::tcp::socket::shutdown_both, ignored);
  socket.close(ignored);
}

void Server::Stop(int signal) {
  context_.log.Write(0, std::string("stopping on ") + (signal == SIGTERM ? "SIGTERM" : "SIGINT"));
  stopping_ = true;
  asio::error_code ignored;
  acceptor_.close(ignored);
  retry_.cancel();
  auto open = connections_;
  for (auto& [id, connection] : open) connection->Close();
}

}  // namespace hostsim
