#pragma once
// Runs the CL commands that arrive through the remote command facility, against a host job and
// the permanent libraries: CRTSAVF, CLRSAVF, RSTOBJ, RSTLIB, CALL (of the verification program
// KV2207C and of other restored programs), CRTLIB and DLTLIB; for an acceptance run of the host
// object also ALCOBJ, DLCOBJ and the DLTxxx commands of a few object types. Anything else fails
// as a command that does not exist, rather than pretending to have done something.
#include <string>

#include "hostsim/core/host_job.h"
#include "hostsim/core/host_messages.h"
#include "hostsim/core/host_storage.h"

namespace hostsim {

constexpr std::size_t kMaxClCommandLength = 1000;
// The release the simulated host runs: images for a later release are refused.
constexpr char kHostRelease[] = "V7R5M0";

class ClSimulator {
 public:
  ClSimulator(LibraryStore& libraries, const FaultSwitches& faults) : libraries_(libraries), faults_(faults) {}
  ClOutcome Run(HostJob& job, const std::string& commandText);

 private:
  LibraryStore& libraries_;
  const FaultSwitches& faults_;
};

}  // namespace hostsim
