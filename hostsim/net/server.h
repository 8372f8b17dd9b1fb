#pragma once
// Listens on one address and port and runs a ControlConnection per client, until SIGTERM or
// SIGINT: then it stops listening, ends every connection (their QTEMPs go with them) and returns.
// Connections beyond the limit are told so and closed at once.
#include <map>
#include <memory>
#include <string>

#include "hostsim/net/asio_config.h"
#include "hostsim/net/control_connection.h"

namespace hostsim {

class Server {
 public:
  Server(asio::io_context& io, ConnectionContext& context);
  // Binds and listens; false with the reason in error.
  bool Listen(const std::string& address, std::uint16_t port, std::string& error);
  std::uint16_t port() const;
  void Run();

 private:
  void Accept();
  void Refuse(asio::ip::tcp::socket socket);
  void Stop(int signal);

  asio::io_context& io_;
  ConnectionContext& context_;
  asio::ip::tcp::acceptor acceptor_;
  asio::signal_set signals_;
  asio::steady_timer retry_;
  std::map<unsigned long, std::shared_ptr<ControlConnection>> connections_;
  std::size_t open_ = 0;  // connections not yet closed (a closed one leaves the map a moment later)
  LogBudget refusals_;    // a client that keeps connecting must not flood the log either
  unsigned long nextId_ = 1;
  bool stopping_ = false;
};

}  // namespace hostsim
