#include "installer/job_progress.h"

#include "fileutil/paths.h"

namespace {

// For the benchmark only: KESTRALON_TEST_NO_PROGRESS=1 leaves the log alone while a job runs, so
// that the cost of reading it can be measured.
bool LogReadingWanted() {
  char value[4] = {};
  return GetEnvironmentVariableA("KESTRALON_TEST_NO_PROGRESS", value, sizeof value) == 0;
}

}  // namespace

JobProgress::JobProgress(const std::string& logPath, const std::vector<std::string>& uploads,
                         const std::string& watchedCommand, ProgressDialog& window)
    : log_(logPath),
      uploads_(SizesOf(uploads)),
      watch_(watchedCommand),
      watchCommand_(!watchedCommand.empty()),
      window_(window),
      started_(GetTickCount()),
      readLog_(LogReadingWanted()) {
  window_.ShowBusy(progresstext::ElapsedLine(0));
}

std::vector<std::uint64_t> JobProgress::SizesOf(const std::vector<std::string>& files) const {
  std::vector<std::uint64_t> sizes;
  for (const std::string& file : files) {
    std::uint64_t size = 0;
    FileSizeOf(file, size);  // a file that cannot be measured counts as empty: the job decides
    sizes.push_back(size);
  }
  return sizes;
}

void JobProgress::Feed(std::string_view appended) {
  uploads_.Feed(appended);
  if (watchCommand_) watch_.Feed(appended);
}

void JobProgress::Poll() {
  const std::uint64_t elapsed = GetTickCount() - started_;
  if (readLog_) {
    std::string appended;
    switch (log_.ReadAppended(appended)) {
      case LogTail::Read::kRestarted:
        uploads_.Reset();
        rate_.Reset();
        watch_.Reset();
        Feed(appended);
        break;
      case LogTail::Read::kAppended:
        Feed(appended);
        break;
      case LogTail::Read::kUnreadable:  // the next poll tries again; meanwhile the bar stays as it is
        break;
    }
  }
  if (!uploads_.Uploading() || uploads_.TotalBytes() == 0) {
    window_.ShowBusy(progresstext::ElapsedLine(elapsed));
    return;
  }
  rate_.AddSample(elapsed, uploads_.BytesSent());
  const double share = static_cast<double>(uploads_.BytesSent()) / static_cast<double>(uploads_.TotalBytes());
  window_.ShowShare(share, progresstext::UploadLine(uploads_.BytesSent(), uploads_.TotalBytes(), rate_));
}
