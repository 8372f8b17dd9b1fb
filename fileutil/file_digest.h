#pragma once
// The SHA-256 and size of a whole file, for the support log. A product save file may hold
// gigabytes, so it is read on a thread of its own while the installation goes on
// (FileDigestTask), never on the user-interface thread.
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

// Who computes the hash: Windows' own CNG (bcrypt.dll, loaded from the system folder when first
// needed) or our own implementation, which needs nothing from the system.
enum class DigestEngine { kWindows, kOwn };

struct FileDigest {
  bool read = false;  // the whole file was read
  DWORD error = 0;    // why not, when it was not (a Win32 error code; 0: stopped)
  std::uint64_t size = 0;
  std::string sha256;                        // 64 lower-case hexadecimal digits, when read
  DigestEngine engine = DigestEngine::kOwn;  // the one that did it
};

// Reads path to its end. kWindows falls back to kOwn where CNG cannot be loaded. stop, when
// given, is looked at between pieces: set, the reading ends early (read stays false).
FileDigest DigestFile(const std::string& path, DigestEngine engine, const std::atomic<bool>* stop = nullptr);

// One file's digest, taken on a thread that starts with the task. The owner asks Done() whenever
// it likes and reads Result() once it is; destroying the task stops the reading.
class FileDigestTask {
 public:
  explicit FileDigestTask(std::string path);
  FileDigestTask(const FileDigestTask&) = delete;
  FileDigestTask& operator=(const FileDigestTask&) = delete;
  ~FileDigestTask();

  bool Done() const { return done_.load(std::memory_order_acquire); }
  // Only once Done().
  const FileDigest& Result() const { return result_; }
  // Waits for the reading to end.
  const FileDigest& Wait();

 private:
  const std::string path_;
  FileDigest result_;  // written by the thread before done_ is set
  std::atomic<bool> done_{false};
  std::atomic<bool> stop_{false};
  std::thread thread_;
};
