#pragma once
// The support log: one file a run that stays after the installer has closed, so that a failure on
// a customer's PC can be diagnosed. Written as the run goes (every entry goes to the file at
// once), so a killed installer leaves everything up to the kill. A log that cannot be written
// never stops the installation: every write then does nothing.
#include <windows.h>

#include "fileutil/file_digest.h"
#include <cstdint>
#include <string>
#include <vector>

class SupportLog {
 public:
  SupportLog() = default;
  SupportLog(const SupportLog&) = delete;
  SupportLog& operator=(const SupportLog&) = delete;
  ~SupportLog();

  // Opens a new file: path when given, else a file named by the time in
  // %LOCALAPPDATA%\<appName>\logs\, where only the newest logs are kept.
  void Open(const std::string& path, const std::string& appName);
  // From here on every occurrence of password in anything written is masked, as is every
  // password added before (a user who tried another one first).
  void AddSecret(const std::string& password);

  // One entry, stamped with the time.
  void Write(const std::string& text);
  // Bytes as they were (a script, a transcript) under a heading.
  void WriteBlock(const std::string& heading, const std::string& bytes);

  bool IsOpen() const { return file_ != INVALID_HANDLE_VALUE; }
  const std::string& Path() const { return path_; }

 private:
  void Append(const std::string& text);

  HANDLE file_ = INVALID_HANDLE_VALUE;
  std::string path_;
  std::vector<std::string> secrets_;
};

// The run's one log: the dialog, the unattended run and the message boxes all write to it.
SupportLog& TheSupportLog();

// What the log says about the PC and the package at the start of a run: the installer's version
// and architecture, Windows' version and ANSI code page, and the settings file as it is.
void WriteRunHeader(SupportLog& log);
// The product file's name, size and SHA-256 (a file that could not be read whole says so).
void WriteProductFile(SupportLog& log, const std::string& path, const FileDigest& digest, bool finished);
