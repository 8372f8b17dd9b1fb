#pragma once
// The thin file layer under FtpJob: each call opens its file without sharing, does its one
// transfer and closes it again, so no job file stays open between two operations.
#include <string>

enum class JobFileOpening {
  kFresh,     // created, or emptied when it exists
  kAppended,  // created when missing, else kept, with the new bytes after what is there
};

// True only when the file was opened and every byte was written and the file closed cleanly.
bool WriteJobFile(const std::string& path, const std::string& bytes, JobFileOpening opening);

enum class JobFileRead {
  kRead,        // the whole file is in the output
  kCannotOpen,  // missing, or held open by another process
  kReadFailed,  // opened, but a read failed before the end
};

// Reads the whole file as raw bytes, sharing it with no other process meanwhile.
JobFileRead ReadJobFile(const std::string& path, std::string& bytes);
