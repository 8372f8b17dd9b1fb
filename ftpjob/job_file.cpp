#include "ftpjob/job_file.h"

#include <windows.h>

namespace {

// Writes every byte; a short write (a full disk) counts as a failure.
bool WriteAll(HANDLE file, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    DWORD written = 0;
    const DWORD wanted = static_cast<DWORD>(bytes.size() - done);
    if (!WriteFile(file, bytes.data() + done, wanted, &written, nullptr) || written == 0) return false;
    done += written;
  }
  return true;
}

bool MoveToEnd(HANDLE file) {
  LARGE_INTEGER zero = {};
  return SetFilePointerEx(file, zero, nullptr, FILE_END) != 0;
}

}  // namespace

bool WriteJobFile(const std::string& path, const std::string& bytes, JobFileOpening opening) {
  const DWORD disposition = opening == JobFileOpening::kFresh ? CREATE_ALWAYS : OPEN_ALWAYS;
  const HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool written = opening == JobFileOpening::kFresh || MoveToEnd(file);
  written = written && WriteAll(file, bytes);
  // A failed close can mean that buffered bytes never reached the disk.
  const bool closed = CloseHandle(file) != 0;
  return written && closed;
}

JobFileRead ReadJobFile(const std::string& path, std::string& bytes) {
  bytes.clear();
  const HANDLE file =
      CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return JobFileRead::kCannotOpen;
  char buffer[4096];
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(file, buffer, sizeof buffer, &got, nullptr)) {
      CloseHandle(file);
      return JobFileRead::kReadFailed;
    }
    if (got == 0) break;
    bytes.append(buffer, got);
  }
  CloseHandle(file);
  return JobFileRead::kRead;
}
