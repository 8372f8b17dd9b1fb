#include "win_test_support.h"

#include <atomic>

namespace {

std::string WindowText(HWND window) {
  char text[1024] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
}

BOOL CALLBACK CollectDialogBox(HWND window, LPARAM boxes) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  char className[32] = {};
  GetClassNameA(window, className, sizeof className);
  if (process == GetCurrentProcessId() && IsWindowVisible(window) && std::string(className) == "#32770") {
    reinterpret_cast<std::vector<HWND>*>(boxes)->push_back(window);
  }
  return TRUE;
}

}  // namespace

ScratchDirectory::ScratchDirectory() {
  static std::atomic<int> counter{0};
  char temp[MAX_PATH + 1] = {};
  GetTempPathA(MAX_PATH, temp);
  path_ = std::string(temp) + "ftpjob-test-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(counter++) +
          "\\";
  CreateDirectoryA(path_.c_str(), nullptr);
}

ScratchDirectory::~ScratchDirectory() {
  WIN32_FIND_DATAA found;
  const HANDLE search = FindFirstFileA((path_ + "*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileA((path_ + found.cFileName).c_str());
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }
  RemoveDirectoryA(path_.c_str());
}

bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string ReadFileBytes(const std::string& path) {
  const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "";
  std::string bytes;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
  CloseHandle(file);
  return bytes;
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
  const HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
}

HeldFile::HeldFile(const std::string& path, DWORD shareMode)
    : handle_(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, shareMode, nullptr, OPEN_ALWAYS, 0, nullptr)) {}

HeldFile::~HeldFile() {
  if (IsOpen()) CloseHandle(handle_);
}

std::vector<HWND> FindOwnDialogBoxes() {
  std::vector<HWND> boxes;
  EnumWindows(CollectDialogBox, reinterpret_cast<LPARAM>(&boxes));
  return boxes;
}

SeenMessageBox DescribeMessageBox(HWND box) {
  constexpr int kTextId = 0xFFFF;  // the message box's text
  constexpr int kIconId = 1088;    // its icon
  SeenMessageBox seen;
  seen.caption = WindowText(box);
  seen.text = WindowText(GetDlgItem(box, kTextId));
  seen.icon = reinterpret_cast<HICON>(SendDlgItemMessageA(box, kIconId, STM_GETICON, 0, 0));
  seen.owner = GetWindow(box, GW_OWNER);
  return seen;
}

std::string TestBedPath(const char* environmentVariable) {
  char value[MAX_PATH + 1] = {};
  const DWORD length = GetEnvironmentVariableA(environmentVariable, value, sizeof value);
  if (length == 0 || length > MAX_PATH) return "";
  return std::string("Z:") + value;
}
