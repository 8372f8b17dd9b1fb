#pragma once
// A session of the host's core over in-memory storage, already logged on as user U: what the
// fuzz targets drive. prepareTemp may put save files into QTEMP before the session starts.
#include <functional>
#include <optional>
#include <vector>

#include "hostsim/core/ftp_session.h"
#include "hostsim/testsupport/memory_storage.h"

namespace hostsim::testing {

class LoggedOnSession {
 public:
  explicit LoggedOnSession(const std::function<void(MemorySaveFiles&)>& prepareTemp = nullptr) {
    if (prepareTemp) prepareTemp(temp_);
    session_.emplace(services_, "127.0.0.1", temp_);
    session_->Handle("USER U");
    session_->Handle("PASS P");
  }
  FtpSession& session() { return *session_; }

 private:
  inline static const std::vector<UserProfile> users_ = {{"U", "P", true, true}};
  MemoryLibraries libraries_;
  FaultSwitches faults_;
  HostServices services_{users_, libraries_, faults_, "FUZZ"};
  MemorySaveFiles temp_;
  std::optional<FtpSession> session_;
};

}  // namespace hostsim::testing
