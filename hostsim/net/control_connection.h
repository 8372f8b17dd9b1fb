#pragma once
// One client's control connection: reads command lines, lets FtpSession answer them one after
// the other, sends the replies and carries out the data transfers the session asks for. What it
// holds for a client is bounded (ControlFlow); a client that sends no complete command, or takes
// no reply, for the idle time is disconnected.
#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "hostsim/core/ftp_session.h"
#include "hostsim/net/asio_config.h"
#include "hostsim/net/control_flow.h"
#include "hostsim/net/data_channel.h"
#include "hostsim/net/event_log.h"
#include "hostsim/net/file_storage.h"
#include "hostsim/net/serve_options.h"

namespace hostsim {

struct ConnectionContext {
  HostServices& services;
  const ServeOptions& options;
  EventLog& log;
  std::string tempRoot;                           // QTEMP folders go here, one per connection
  std::function<void(unsigned long)> onFinished;  // the server forgets the connection
  asio::ssl::context* tls = nullptr;              // null: the host offers no TLS
};

class ControlConnection : public std::enable_shared_from_this<ControlConnection> {
 public:
  ControlConnection(asio::ip::tcp::socket socket, unsigned long id, ConnectionContext& context);
  void Start();
  // Ends the connection at once (server shutdown); a running upload is discarded.
  void Close();

 private:
  using TlsStream = asio::ssl::stream<asio::ip::tcp::socket&>;

  using Clock = std::chrono::steady_clock;

  void Read();
  void Write();
  // Runs the commands waiting, then writes and reads as far as the queues allow.
  void ProcessLines();
  void Execute(LineAssembler::Kind kind, const std::string& line);
  void Continue(SessionStep step);
  void OpenPassive();
  void Transfer(TransferRequest request);
  // Answers a transfer with `replies` instead of carrying it out.
  void RefuseTransfer(SessionStep& step, reply::Lines replies, const std::string& why);
  void UploadDone(std::unique_ptr<UploadSink> upload, DataChannel::Result result, std::uint64_t bytes);
  // Queues replies (after the configured delay), then runs next.
  void Respond(reply::Lines lines, std::function<void()> next);
  void Queue(const reply::Lines& lines);
  void WatchIdle();
  void IdleTimeUp();
  void Done();  // the current command is answered: take the next one
  // AUTH, PBSZ, PROT and, where TLS is required, a plain USER; false for every other command.
  bool HandleTls(const std::string& line);
  void StartTls();  // once the 234 is sent
  void FinishClose();
  void Log(const std::string& text) { context_.log.Write(id_, text); }
  // Commands and replies: what a flood multiplies, so they are written within a budget.
  void LogTraffic(const std::string& text);
  std::chrono::seconds IdleTime() const { return std::chrono::seconds(context_.options.idleSeconds); }

  asio::ip::tcp::socket socket_;
  unsigned long id_;
  ConnectionContext& context_;
  FileSaveFiles temp_;
  bool faulty_;            // whether the fault switches act on this connection
  HostServices services_;  // the server's, without fault switches when !faulty_
  FtpSession session_;
  ControlFlow flow_;
  std::array<char, 4096> readBuffer_{};
  DataChannel data_;
  asio::steady_timer delay_;
  asio::steady_timer idle_;
  Clock::time_point lastActivity_;  // the last command taken or answered
  LogBudget logBudget_;
  bool reading_ = false;
  bool writing_ = false;
  bool closed_ = false;
  std::unique_ptr<TlsStream> tls_;
  bool tlsPending_ = false;  // the 234 is on its way: nothing more is read in clear
  bool tlsUp_ = false;
  bool protectData_ = false;  // PROT P
  asio::steady_timer shutdown_;
};

}  // namespace hostsim
