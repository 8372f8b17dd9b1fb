#include "installer/support_log.h"

#include <cstring>
#include <memory>
#include <vector>

#include "fileutil/path_text.h"
#include "fileutil/paths.h"
#include "fileutil/sha256.h"
#include "installer/support_log_text.h"

namespace {

constexpr const char* kArchitecture = sizeof(void*) == 4 ? "x86" : "x64";

supportlog::Clock Now() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  return supportlog::Clock{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds};
}

void CreateFolder(const std::string& path) { CreateDirectoryA(path.c_str(), nullptr); }

std::vector<std::string> NamesIn(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  const HANDLE search = FindFirstFileA((folder + "*.log").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) names.push_back(found.cFileName);
  } while (FindNextFileA(search, &found));
  FindClose(search);
  return names;
}

HANDLE CreateNew(const std::string& path, DWORD disposition) {
  // Shared for reading: support staff may look at the log of a run that is still going.
  return CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, disposition, FILE_ATTRIBUTE_NORMAL,
                     nullptr);
}

std::string ReadWholeFile(const std::string& path) {
  std::string bytes;
  const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return bytes;
  char buffer[4096];
  DWORD read = 0;
  while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) bytes.append(buffer, read);
  CloseHandle(file);
  return bytes;
}

// The file version from the executable's own version block (VS_FIXEDFILEINFO follows its
// signature), read without the version library, which is no system DLL that is always loaded.
std::string InstallerVersion() {
  const HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(16));  // RT_VERSION
  const HGLOBAL loaded = found != nullptr ? LoadResource(nullptr, found) : nullptr;
  const auto* block = loaded != nullptr ? static_cast<const unsigned char*>(LockResource(loaded)) : nullptr;
  if (block == nullptr) return "unknown";
  const DWORD size = SizeofResource(nullptr, found);
  constexpr DWORD kSignature = 0xFEEF04BD;
  for (DWORD at = 0; at + 4 * 4 <= size; at += 4) {
    DWORD words[4];
    std::memcpy(words, block + at, sizeof words);
    if (words[0] != kSignature) continue;
    // signature, structure version, then the file version's high and low halves
    return std::to_string(HIWORD(words[2])) + "." + std::to_string(LOWORD(words[2])) + "." +
           std::to_string(HIWORD(words[3])) + "." + std::to_string(LOWORD(words[3]));
  }
  return "unknown";
}

std::string WindowsVersion() {
  OSVERSIONINFOA version = {};
  version.dwOSVersionInfoSize = sizeof version;
  if (!GetVersionExA(&version)) return "unknown";
  return std::to_string(version.dwMajorVersion) + "." + std::to_string(version.dwMinorVersion) + "." +
         std::to_string(version.dwBuildNumber) + " " + version.szCSDVersion;
}

}  // namespace

SupportLog::~SupportLog() {
  if (IsOpen()) CloseHandle(file_);
}

void SupportLog::Open(const std::string& path, const std::string& appName) {
  if (IsOpen()) return;
  if (!path.empty()) {
    path_ = path;
    file_ = CreateNew(path_, CREATE_ALWAYS);
    return;
  }
  const std::string base = GetLocalAppDataDirectory();
  if (base.empty()) return;
  const std::string appFolder = base + appName + "\\";
  const std::string folder = appFolder + "logs\\";
  CreateFolder(appFolder);
  CreateFolder(folder);
  const supportlog::Clock now = Now();
  for (int attempt = 1; attempt <= 20 && !IsOpen(); ++attempt) {
    path_ = folder + supportlog::LogFileName(now, attempt);
    file_ = CreateNew(path_, CREATE_NEW);
  }
  if (!IsOpen()) return;
  for (const std::string& name : supportlog::LogsToRemove(NamesIn(folder))) DeleteFileA((folder + name).c_str());
}

void SupportLog::AddSecret(const std::string& password) {
  if (!password.empty()) secrets_.push_back(password);
}

void SupportLog::Write(const std::string& text) { Append(supportlog::Entry(Now(), text)); }

void SupportLog::WriteBlock(const std::string& heading, const std::string& bytes) {
  Append(supportlog::Block(heading, bytes));
}

void SupportLog::Append(const std::string& text) {
  if (!IsOpen()) return;
  std::string masked = text;
  for (const std::string& secret : secrets_) masked = supportlog::MaskSecret(masked, secret);
  DWORD written = 0;
  // Straight to the file, no buffer of our own: what was written survives the process.
  if (!WriteFile(file_, masked.data(), static_cast<DWORD>(masked.size()), &written, nullptr)) {
    CloseHandle(file_);  // a full disk: the installation goes on without its log
    file_ = INVALID_HANDLE_VALUE;
  }
}

SupportLog& TheSupportLog() {
  static SupportLog log;
  return log;
}

void WriteRunHeader(SupportLog& log) {
  const std::string settingsPath = GetModuleDirectory() + "CONFIG.INI";
  log.Write("installer " + InstallerVersion() + " (" + kArchitecture + ")");
  log.Write("Windows " + WindowsVersion() + ", ANSI code page " + std::to_string(GetACP()));
  log.Write("settings: " + settingsPath);
  log.WriteBlock("CONFIG.INI", ReadWholeFile(settingsPath));
}

void WriteProductFile(SupportLog& log, const std::string& path, const FileDigest& digest, bool finished) {
  if (!finished) {
    log.Write("product file: " + path + " (SHA-256 not taken: the installer ended first)");
  } else if (!digest.read) {
    log.Write("product file: " + path + " (cannot be read, error " + std::to_string(digest.error) + ", after " +
              std::to_string(digest.size) + " bytes)");
  } else {
    log.Write("product file: " + path + ", " + std::to_string(digest.size) + " bytes, SHA-256 " + digest.sha256 +
              (digest.engine == DigestEngine::kWindows ? " (by CNG)" : " (by our own SHA-256)"));
  }
}
