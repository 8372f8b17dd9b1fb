#include "fileutil/paths.h"

#include <windows.h>

#include <shlobj.h>

#include <cstdio>
#include <vector>

#include "fileutil/path_text.h"

std::string GetLocalAppDataDirectory() {
  char value[kMaxPathBytes + 1] = {};
  std::string folder;
  const DWORD length = GetEnvironmentVariableA("LOCALAPPDATA", value, sizeof value);
  if (length > 0 && length < sizeof value) {
    folder = value;
  } else if (SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA, nullptr, 0, value) == S_OK) {
    folder = value;
  }
  if (!folder.empty() && FindLastBackslash(folder) != folder.size() - 1) folder += '\\';
  return folder;
}

std::string GetModuleDirectory() {
  char path[kMaxPathBytes + 1] = {};
  GetModuleFileNameA(nullptr, path, kMaxPathBytes);
  return DirectoryOf(path);
}

int GetTempDirectory(std::string& output) {
  output.clear();
  // Read in UTF-16 and converted here: Wine's GetEnvironmentVariableA counts characters, not
  // bytes, and cuts a value with double-byte characters short (a TEMP under a Japanese user name).
  wchar_t wide[kMaxPathBytes + 1] = {};
  const DWORD length = GetEnvironmentVariableW(L"TEMP", wide, kMaxPathBytes + 1);
  // A larger result is the size the value would need: it does not fit, and a cut value would
  // name some other directory.
  if (length == 0 || length > kMaxPathBytes) return 0;
  char value[2 * kMaxPathBytes + 2] = {};
  BOOL unrepresentable = FALSE;  // a character code page 932 lacks would become "?": another folder
  const int bytes =
      WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, -1, value, sizeof value, nullptr, &unrepresentable);
  if (bytes == 0 || unrepresentable || static_cast<std::size_t>(bytes - 1) >= kMaxPathBytes) return 0;
  output = value;
  if (FindLastBackslash(output) != output.size() - 1) output += '\\';
  return 1;
}

PathKind ProbePath(const char* path) {
  if (path == nullptr) return kPathMissing;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA(path, &found);
  if (search == INVALID_HANDLE_VALUE) return kPathMissing;
  const PathKind result = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? kPathIsDirectory : kPathIsFile;
  FindClose(search);
  return result;
}

bool FileSizeOf(const std::string& path, std::uint64_t& size) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return false;
  size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  return true;
}

std::string CreateWorkDirectory() {
  std::string temp;
  if (!GetTempDirectory(temp)) return std::string();
  for (int number = 0; number <= 9999; ++number) {
    char name[16];
    std::snprintf(name, sizeof name, "ZEMO%4.4d", number);
    const std::string path = JoinPath(temp, name);
    // A name taken by a file or a directory, or by someone faster, is passed over.
    if (path.empty() || ProbePath(path.c_str()) != kPathMissing) continue;
    if (CreateDirectoryA(path.c_str(), nullptr)) return path;
  }
  return std::string();
}

namespace {

// The names inside folder, or nothing when something in it is not a job file of ours (a
// subfolder included): such a folder is not only ours and is not touched.
bool ListOnlyJobFiles(const std::string& folder, std::vector<std::string>& files) {
  WIN32_FIND_DATAA found;
  const HANDLE search = FindFirstFileA(JoinPath(folder, "*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  bool onlyJobFiles = true;
  do {
    const std::string name = found.cFileName;
    if (name == "." || name == "..") continue;
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 || !IsJobFileName(name)) {
      onlyJobFiles = false;
      break;
    }
    files.push_back(name);
  } while (FindNextFileA(search, &found));
  FindClose(search);
  return onlyJobFiles;
}

}  // namespace

bool LinkOrCopyFile(const std::string& from, const std::string& to) {
  DeleteFileA(to.c_str());
  if (CreateHardLinkA(to.c_str(), from.c_str(), nullptr) || CopyFileA(from.c_str(), to.c_str(), FALSE)) return true;
  DeleteFileA(to.c_str());  // a copy cut short by a full disk
  return false;
}

void RemoveStaleWorkDirectories() {
  std::string temp;
  if (!GetTempDirectory(temp)) return;
  const std::string pattern = JoinPath(temp, "ZEMO????");
  if (pattern.empty()) return;
  std::vector<std::string> folders;
  WIN32_FIND_DATAA found;
  const HANDLE search = FindFirstFileA(pattern.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 && IsWorkDirectoryName(found.cFileName)) {
      folders.push_back(JoinPath(temp, found.cFileName));
    }
  } while (FindNextFileA(search, &found));
  FindClose(search);
  for (const std::string& folder : folders) {
    std::vector<std::string> files;
    if (folder.empty() || !ListOnlyJobFiles(folder, files)) continue;
    // The script may hold a password: these are exactly the files that must not stay behind.
    for (const std::string& file : files) DeleteFileA(JoinPath(folder, file).c_str());
    RemoveDirectoryA(folder.c_str());  // fails quietly when a file was held open
  }
}
