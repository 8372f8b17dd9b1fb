#pragma once
// Helpers for the tests that run under Wine: a scratch directory per test, whole-file access,
// and the message boxes of this process.
#include <windows.h>

#include <string>
#include <vector>

class ScratchDirectory {
 public:
  ScratchDirectory();   // a new, empty directory under the Windows temporary directory
  ~ScratchDirectory();  // removes the files made in it, and it
  ScratchDirectory(const ScratchDirectory&) = delete;
  ScratchDirectory& operator=(const ScratchDirectory&) = delete;

  std::string Path(const std::string& name) const { return path_ + name; }

 private:
  std::string path_;  // ends in a backslash
};

bool FileExists(const std::string& path);
std::string ReadFileBytes(const std::string& path);  // empty when the file cannot be read
void WriteFileBytes(const std::string& path, const std::string& bytes);

// A file held open by someone else, sharing it as shareMode allows (0: not at all).
class HeldFile {
 public:
  HeldFile(const std::string& path, DWORD shareMode);
  ~HeldFile();
  HeldFile(const HeldFile&) = delete;
  HeldFile& operator=(const HeldFile&) = delete;
  bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE handle_;
};

// What a message box of this process showed when it was answered.
struct SeenMessageBox {
  std::string caption;
  std::string text;
  HICON icon = nullptr;
  HWND owner = nullptr;
};

// Visible dialog-class windows (#32770) of this process, the message boxes among them.
std::vector<HWND> FindOwnDialogBoxes();
SeenMessageBox DescribeMessageBox(HWND box);

// Where the native side of the test bed put special files for the tests, or "" when not set.
std::string TestBedPath(const char* environmentVariable);
