#pragma once
// What the progress window's bar and line show while one job runs: how far its uploads have come
// (from the marks the client writes into its log), or, while nothing is being sent, that the
// installer is alive (a marquee and the time the job has taken).
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "ftpjob/command_reply_watch.h"
#include "ftpjob/log_tail.h"
#include "ftpjob/upload_progress.h"
#include "progress/progress_dialog.h"
#include "progress/progress_text.h"

class JobProgress {
 public:
  // uploads: the local files the job puts, in the order of its put commands; watchedCommand: the
  // command whose answer CommandAnswered() reports (empty: none).
  JobProgress(const std::string& logPath, const std::vector<std::string>& uploads, const std::string& watchedCommand,
              ProgressDialog& window);

  // Called at every poll of the running job.
  void Poll();
  // The host has answered the watched command.
  bool CommandAnswered() const { return watchCommand_ && watch_.Answered(); }

 private:
  std::vector<std::uint64_t> SizesOf(const std::vector<std::string>& files) const;
  void Feed(std::string_view appended);

  LogTail log_;
  UploadProgress uploads_;
  CommandReplyWatch watch_;
  const bool watchCommand_;
  progresstext::RateMeter rate_;
  ProgressDialog& window_;
  const DWORD started_;
  const bool readLog_;
};
