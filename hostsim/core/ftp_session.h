#pragma once
// The FTP protocol of one control connection, without any input or output: the network layer
// hands it each command line and carries out what it asks for (a passive listener, a data
// transfer, closing), then reports back and sends the replies it gets.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "hostsim/core/cl_simulator.h"
#include "hostsim/core/ftp_replies.h"
#include "hostsim/core/host_job.h"
#include "hostsim/core/host_storage.h"
#include "hostsim/core/users.h"

namespace hostsim {

constexpr std::size_t kMaxCommandLine = 2048;

// What every session of one server shares.
struct HostServices {
  const std::vector<UserProfile>& users;
  LibraryStore& libraries;
  const FaultSwitches& faults;
  std::string hostName;
  reply::Style style = reply::Style::kMixedCase;
};

struct DataEndpoint {
  std::string address;  // dotted IPv4
  std::uint16_t port = 0;
};

struct TransferRequest {
  std::unique_ptr<UploadSink> upload;          // set for an upload
  std::unique_ptr<savf::ByteSource> download;  // set when a save file is sent
  std::string listing;                         // sent when neither is set
};

struct SessionStep {
  enum class Next { kContinue, kOpenPassive, kTransfer, kClose };
  reply::Lines replies;
  Next next = Next::kContinue;
  TransferRequest transfer;
};

enum class UploadEnd { kComplete, kAborted, kWriteFailed };

class FtpSession {
 public:
  FtpSession(HostServices& services, std::string peerAddress, SaveFileStore& temp);
  ~FtpSession();
  FtpSession(const FtpSession&) = delete;
  FtpSession& operator=(const FtpSession&) = delete;

  reply::Lines Greeting() const {
    return Styled(reply::Lengthened(reply::Greeting(services_.hostName), services_.faults.LongReplyBytes("GREETING")));
  }
  SessionStep Handle(const std::string& line);
  reply::Lines LineTooLong() const { return Styled(reply::LineTooLong(kMaxCommandLine)); }
  // Replies the network layer words itself (the idle time-out) are sent in the host's style too.
  reply::Lines Styled(reply::Lines lines) const { return reply::Styled(std::move(lines), services_.style); }

  // The data connection: where to connect for PORT, or whether a passive listener is waiting.
  bool passive() const { return mode_ == DataMode::kPassive; }
  const DataEndpoint& activeEndpoint() const { return activeEndpoint_; }
  reply::Lines PassiveOpened(const std::string& address, std::uint16_t port);
  reply::Lines PassiveFailed();
  reply::Lines DataConnectionFailed();
  // The host's connection back to the client (PORT) did not go through.
  reply::Lines ActiveConnectionFailed();
  reply::Lines UploadEnded(std::unique_ptr<UploadSink> upload, UploadEnd how);
  reply::Lines SendEnded(bool complete);

  // Ends the host job: QTEMP and everything in it is gone.
  void EndJob();

  // The line as it may be written to a log: the password of PASS and PASSWORD(...) values masked,
  // control bytes escaped.
  static std::string LoggedForm(const std::string& line);

 private:
  enum class DataMode { kNone, kActive, kPassive };

  SessionStep Dispatch(const std::string& line);
  SessionStep LogOn(const std::string& verb, const std::string& argument);
  SessionStep Command(const std::string& verb, const std::string& argument);
  SessionStep RemoteCommand(const std::string& text);
  SessionStep Site(const std::string& argument);
  SessionStep ChangeDirectory(const std::string& argument);
  SessionStep PrintDirectory() const;
  SessionStep Type(const std::string& argument);
  SessionStep Port(const std::string& argument);
  SessionStep Store(const std::string& argument);
  SessionStep Retrieve(const std::string& argument);
  SessionStep List(const std::string& argument, bool namesOnly);
  std::optional<reply::Lines> CheckDataReady() const;
  reply::Lines FinalUploadReply(std::unique_ptr<UploadSink> upload, UploadEnd how);

  HostServices& services_;
  std::string peerAddress_;
  SaveFileStore& temp_;
  ClSimulator simulator_;
  std::string pendingUser_;
  std::optional<HostJob> job_;
  bool binary_ = false;
  bool atRoot_ = false;
  DataMode mode_ = DataMode::kNone;
  DataEndpoint activeEndpoint_;
  std::string transferTarget_;  // the save file of the running upload
};

}  // namespace hostsim
