#pragma once
// The three jobs the installer runs, made through the installer's own job definitions for one
// fixed log-on, library and pair of local files, with the files that hold the expected scripts.
#include <string>

#include "ftpjob/host_address.h"
#include "installer/host_jobs.h"

namespace golden {

inline const HostAddress kAddress = {{192, 168, 1, 20}};
inline const std::string kUserId = "KSTUSER";
inline const std::string kPassword = "PASS123";
inline const std::string kLibrary = "KSTLIB";
inline const std::string kSavedLibrary = "KESTRAL";
inline const std::string kHostObjectFile = "C:\\TEMP\\ZEMO0000\\QSAVF.DAT";
inline const std::string kProductFile = "C:\\KESTRALON\\PRODUCT.SAVF";
inline const std::string kLauncherScriptPath = "C:\\TEMP\\ZEMO0000\\FTPCMD.BAT";
inline const std::string kLauncherLogPath = "C:\\TEMP\\ZEMO0000\\FTPLOG.LOG";

// Job n (1 to kJobs) is kExpectedFiles[n - 1].
inline const char* const kExpectedFiles[] = {"job1_authority.txt", "job2_library_probe.txt", "job3_installation.txt"};
inline constexpr int kJobs = sizeof kExpectedFiles / sizeof kExpectedFiles[0];

// Writes the script of job n on anything with FtpJob's script operations.
template <typename Writer>
void WriteInstallerJob(Writer& writer, int n) {
  writer.BeginScript(kAddress, kUserId, kPassword);
  switch (n) {
    case 1:
      hostjobs::AddAuthorityTest(writer, kHostObjectFile, kUserId);
      break;
    case 2:
      hostjobs::AddLibraryProbe(writer, kLibrary);
      break;
    case 3:
      hostjobs::AddInstallation(writer, kHostObjectFile, kProductFile, kSavedLibrary, kLibrary, kUserId);
      break;
  }
  writer.EndScript();
}

// The expected bytes, kept beside the tests.
std::string ReadExpected(const std::string& name);

}  // namespace golden
