#include "ftpclient/win/local_files.h"

#include <windows.h>

#include "ftpclient/core/script_text.h"

namespace ftpclient {

namespace {

class Win32FileReader : public LocalFileReader {
 public:
  explicit Win32FileReader(HANDLE file) : file_(file) {}
  ~Win32FileReader() override { CloseHandle(file_); }
  Win32FileReader(const Win32FileReader&) = delete;
  Win32FileReader& operator=(const Win32FileReader&) = delete;

  std::size_t Read(char* buffer, std::size_t capacity, bool& failed) override {
    DWORD count = 0;
    failed = !ReadFile(file_, buffer, static_cast<DWORD>(capacity), &count, nullptr);
    return failed ? 0 : count;
  }

 private:
  HANDLE file_;
};

constexpr DWORD kMaxScriptBytes = 16 * 1024 * 1024;

std::unique_ptr<LocalFileReader> ReaderFor(HANDLE file) {
  if (file == INVALID_HANDLE_VALUE) return nullptr;
  return std::make_unique<Win32FileReader>(file);
}

}  // namespace

std::unique_ptr<LocalFileReader> Win32LocalFiles::OpenForReading(const std::string& path) {
  std::optional<std::u16string> wide = Utf16FromUtf8(path);
  if (!wide) return nullptr;
  std::wstring name(wide->begin(), wide->end());
  if (name.find(L'\0') != std::wstring::npos) return nullptr;  // would name another file
  return ReaderFor(CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
}

bool ReadWholeFile(const std::string& path, std::string& text) {
  // The script's own name comes from the command line, in the ANSI code page.
  auto reader = ReaderFor(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!reader) return false;
  char buffer[8192];
  while (true) {
    bool failed = false;
    std::size_t count = reader->Read(buffer, sizeof buffer, failed);
    if (failed || text.size() + count > kMaxScriptBytes) return false;
    if (count == 0) return true;
    text.append(buffer, count);
  }
}

}  // namespace ftpclient
