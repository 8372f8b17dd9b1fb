#include "tlstrust/remembered_hosts_file.h"

#include <windows.h>

#include "fileutil/paths.h"

namespace tlstrust {
namespace {

constexpr char kFileName[] = "tls-hosts.txt";
// Beyond any list a person keeps; a larger file is not ours.
constexpr DWORD kLargestFile = 1024 * 1024;

bool ReadWhole(const std::string& path, std::string& bytes) {
  const HANDLE file =
      CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  char buffer[4096];
  DWORD read = 0;
  bool ok = true;
  while ((ok = ReadFile(file, buffer, sizeof buffer, &read, nullptr) != 0) && read > 0) {
    bytes.append(buffer, read);
    if (bytes.size() > kLargestFile) {
      ok = false;
      break;
    }
  }
  CloseHandle(file);
  return ok;
}

bool WriteWhole(const std::string& path, const std::string& bytes) {
  const HANDLE file =
      CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) != 0 &&
                  written == bytes.size() && FlushFileBuffers(file) != 0;
  CloseHandle(file);
  return ok;
}

std::string NowInUtc() {
  SYSTEMTIME now;
  GetSystemTime(&now);
  return UtcStamp(now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond);
}

}  // namespace

std::string RememberedHostsPath(const std::string& appName) {
  const std::string base = GetLocalAppDataDirectory();
  if (base.empty()) return std::string();
  const std::string folder = base + appName;
  CreateDirectoryA(folder.c_str(), nullptr);
  return folder + "\\" + kFileName;
}

std::vector<RememberedHost> ReadRememberedHosts(const std::string& path) {
  std::string bytes;
  if (path.empty() || !ReadWhole(path, bytes)) return {};
  return ParseRememberedHosts(bytes);
}

bool SaveRememberedHost(const std::string& path, const std::string& address, const std::string& fingerprint) {
  if (path.empty()) return false;
  // A file that is there but cannot be read is not replaced: it would lose every other host.
  std::string bytes;
  if (!ReadWhole(path, bytes) && GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) return false;
  std::vector<RememberedHost> hosts = ParseRememberedHosts(bytes);
  Remember(hosts, RememberedHost{address, fingerprint, NowInUtc()});
  const std::string written = path + ".new";
  if (!WriteWhole(written, FormatRememberedHosts(hosts))) {
    DeleteFileA(written.c_str());
    return false;
  }
  if (MoveFileExA(written.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
  DeleteFileA(written.c_str());
  return false;
}

}  // namespace tlstrust
