#pragma once
// Listens on one address and port and runs a ControlConnection per client, until SIGTERM or
// SIGINT: then it stops listening, ends every connection (their QTEMPs go with them) and returns.
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
  void Stop(int signal);

  asio::io_context& io_;
  ConnectionContext& context_;
  asio::ip::tcp::acceptor acceptor_;
  asio::signal_set signals_;
  asio::steady_timer retry_;
  std::map<unsigned long, std::shared_ptr<ControlConnection>> connections_;
  unsigned long nextId_ = 1;
  bool stopping_ = false;
};

}  // namespace hostsim
