#include "fileutil/paths.h"

#include <windows.h>

#include <cstdio>

#include "fileutil/path_text.h"

std::string GetModuleDirectory() {
  char path[kMaxPathBytes + 1] = {};
  GetModuleFileNameA(nullptr, path, kMaxPathBytes);
  return DirectoryOf(path);
}

int GetTempDirectory(std::string& output) {
  output.clear();
  char value[kMaxPathBytes + 1] = {};
  const DWORD length = GetEnvironmentVariableA("TEMP", value, kMaxPathBytes);
  // A larger result is the size the value would need: it does not fit, and a cut value would
  // name some other directory.
  if (length == 0 || length >= kMaxPathBytes) return 0;
  output = value;
  if (FindLastBackslash(output) != output.size() - 1) output += '\\';
  return 1;
}

int ProbePath(const char* path) {
  if (path == nullptr) return 0;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA(path, &found);
  if (search == INVALID_HANDLE_VALUE) return 0;
  const int result = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? 2 : 1;
  FindClose(search);
  return result;
}

std::string CreateWorkDirectory() {
  std::string temp;
  if (!GetTempDirectory(temp)) return std::string();
  for (int number = 0; number <= 9999; ++number) {
    char name[16];
    std::snprintf(name, sizeof name, "ZEMO%4.4d", number);
    const std::string path = JoinPath(temp, name);
    // A name taken by a file or a directory, or by someone faster, is passed over.
    if (path.empty() || ProbePath(path.c_str()) != 0) continue;
    if (CreateDirectoryA(path.c_str(), nullptr)) return path;
  }
  return std::string();
}
