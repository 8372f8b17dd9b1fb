#pragma once
// One connection's host job: the user it runs under, its current library and its QTEMP, which
// holds the connection's save files and the objects restored into it and is gone with the job.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "hostsim/core/host_storage.h"
#include "hostsim/core/users.h"
#include "savf/image_format.h"

namespace hostsim {

// A printed listing held on an output queue: what DSPSAVF or DSPLIB with OUTPUT(*PRINT) made.
struct SpooledListing {
  std::string file;  // the printer file, QPSRODSP or QPDSPLIB
  std::vector<std::string> lines;
  std::vector<savf::SavedObject> objects;  // what the listing shows
};

// A reply made long with lines of padding, as a host that writes its job log into its answers
// sends: `name` is GREETING, an FTP verb or a CL command name, upper case.
struct LongReply {
  std::string name;
  std::uint64_t bytes = 0;
};

// Switches that make the host misbehave on purpose, for fault tests.
struct FaultSwitches {
  std::vector<std::string> failCommands;  // CL command names or FTP verbs, upper case
  std::string loseObject;                 // an object name that every restore silently drops
  std::vector<LongReply> longReplies;
  // KV2207C as a careless build would have it: it takes the newest library listing held for the
  // user, which may be an earlier call's, instead of finding its own.
  bool verifierReadsStaleListings = false;
  bool Fails(const std::string& name) const;
  // How long the reply to `name` is to be made; 0: as it is.
  std::uint64_t LongReplyBytes(const std::string& name) const;
};

class HostJob {
 public:
  HostJob(UserProfile user, SaveFileStore& saveFiles) : user_(std::move(user)), saveFiles_(saveFiles) {}

  const UserProfile& user() const { return user_; }
  SaveFileStore& saveFiles() { return saveFiles_; }
  // The objects of QTEMP other than save files.
  std::vector<savf::SavedObject>& tempObjects() { return tempObjects_; }
  // Every object of QTEMP, save files included.
  std::vector<savf::SavedObject> TempLibraryObjects() const;

  const std::string& currentLibrary() const { return currentLibrary_; }
  void SetCurrentLibrary(std::string library) { currentLibrary_ = std::move(library); }

  // The listings this job printed and has not deleted, oldest first. A real host keeps them in a
  // job QPRTJOB of the user, beyond the connection; here they go with the job.
  std::vector<SpooledListing>& spool() { return spool_; }
  // Members of database files in QTEMP, by "FILE.MEMBER": records of text, as FTP sends them in
  // ASCII. Only the verification program's listing work file has any.
  std::map<std::string, std::vector<std::string>>& members() { return members_; }

 private:
  UserProfile user_;
  SaveFileStore& saveFiles_;
  std::vector<savf::SavedObject> tempObjects_;
  std::string currentLibrary_ = "QGPL";
  std::vector<SpooledListing> spool_;
  std::map<std::string, std::vector<std::string>> members_;
};

}  // namespace hostsim
