#include "ftpjob/log_tail.h"

#include <windows.h>

#include "fileutil/paths.h"

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// A poll reads at most this much, so one poll never keeps the windows waiting for long.
constexpr std::uint64_t kMaxBytesPerRead = 4 * 1024 * 1024;

bool ReadFrom(HANDLE file, std::uint64_t offset, std::uint64_t count, std::string& bytes) {
  LARGE_INTEGER position;
  position.QuadPart = static_cast<LONGLONG>(offset);
  if (!SetFilePointerEx(file, position, nullptr, FILE_BEGIN)) return false;
  bytes.resize(static_cast<std::size_t>(count));
  std::size_t done = 0;
  while (done < bytes.size()) {
    DWORD got = 0;
    if (!ReadFile(file, &bytes[done], static_cast<DWORD>(bytes.size() - done), &got, nullptr)) return false;
    if (got == 0) break;
    done += got;
  }
  bytes.resize(done);
  return true;
}

}  // namespace

LogTail::Read LogTail::ReadAppended(std::string& appended) {
  appended.clear();
  std::uint64_t size = 0;
  // The size without opening the file: none while it does not exist yet.
  if (!FileSizeOf(path_, size) || size == 0) {
    // Missing or still empty: nothing written yet, or a new log that replaced the old one.
    if (offset_ == 0) return Read::kAppended;
    offset_ = 0;
    return Read::kRestarted;
  }
  const bool restarted = size < offset_;
  if (restarted) offset_ = 0;
  if (size == offset_) return Read::kAppended;
  const HANDLE file =
      CreateFileA(path_.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return Read::kUnreadable;
  const std::uint64_t wanted = size - offset_ < kMaxBytesPerRead ? size - offset_ : kMaxBytesPerRead;
  const bool read = ReadFrom(file, offset_, wanted, appended);
  CloseHandle(file);
  if (!read) {
    appended.clear();
    return Read::kUnreadable;
  }
  offset_ += appended.size();
  return restarted ? Read::kRestarted : Read::kAppended;
}
