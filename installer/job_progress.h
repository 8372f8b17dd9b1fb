#pragma once
// What the progress window's bar and line show while one job runs: how far its uploads have come
// (from the marks the client writes into its log), or, while nothing is being sent, that the
// installer is alive (a marquee and the time the job has taken).
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "ftpjob/log_tail.h"
#include "ftpjob/upload_progress.h"
#include "progress/progress_dialog.h"
#include "progress/progress_text.h"

class JobProgress {
 public:
  // uploads: the local files the job puts, in the order of its put commands.
  JobProgress(const std::string& logPath, const std::vector<std::string>& uploads, ProgressDialog& window);

  // Called at every poll of the running job.
  void Poll();

 private:
  std::vector<std::uint64_t> SizesOf(const std::vector<std::string>& files) const;

  LogTail log_;
  UploadProgress uploads_;
  progresstext::RateMeter rate_;
  ProgressDialog& window_;
  const DWORD started_;
  const bool readLog_;
};
