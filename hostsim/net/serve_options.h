#pragma once
// The command line of "hostsim serve"; see hostsim/README.md.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "hostsim/core/host_job.h"

namespace hostsim {

struct ServeOptions {
  std::string address = "127.0.0.1";
  std::uint16_t port = 21;
  std::string stateDirectory;
  std::string usersFile;
  std::string logFile;    // empty: standard error
  std::string readyFile;  // empty: none
  std::string hostName;   // empty: the listening address
  int idleSeconds = 300;
  // A connection beyond this many is told so and closed.
  std::size_t maxConnections = 100;
  // Bytes a second at most that an upload is received with; 0: as fast as it comes.
  std::uint64_t maxRate = 0;
  // Fault switches.
  std::optional<std::uint64_t> dropUploadAfter;
  std::vector<std::string> failCommands;
  // Fault switches act only on connections from this one on (1: all), so a test can let the
  // first jobs of a run pass and break a later one.
  unsigned long faultsFromConnection = 1;
  std::string loseObject;
  std::vector<LongReply> longReplies;  // --long-reply NAME=SIZE
  bool japanese = false;               // replies as a Japanese host words them
  // TLS (explicit, AUTH TLS): the certificate and key, PEM files; both empty: no TLS, and AUTH
  // is answered as by a host without a certificate.
  std::string tlsCertificate;
  std::string tlsKey;
  bool tlsRequired = false;  // a plain USER is refused, as by a host that allows TLS only
  bool refuseData = false;
  // A transfer after PORT gets 425, as when the PC's firewall drops the host's connection back;
  // PASV transfers work.
  bool blockActive = false;  // no data connection is ever accepted: transfers get 425
  int delayMs = 0;
  int restorePauseMs = 0;
  // An object another job has in use whenever a restore would replace it (see FaultSwitches).
  std::string objectInUse;
};

// Nullopt, with the reason in error, when the arguments (after "serve") are not valid.
std::optional<ServeOptions> ParseServeOptions(const std::vector<std::string>& args, std::string& error);

}  // namespace hostsim
