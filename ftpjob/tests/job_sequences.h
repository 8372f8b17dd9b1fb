#pragma once
// The four jobs the installer runs, as the FtpJob calls it makes for one fixed log-on, library and
// pair of local files, with the file that holds each script's expected bytes.
#include <string>
#include <vector>

#include "ftpjob/host_address.h"

namespace golden {

enum class CallKind { kRemoteCommand, kPut, kRawLine };

struct JobCall {
  CallKind kind;
  std::string text;        // the command, the local path or the raw line
  std::string remoteName;  // kPut only
};

struct Job {
  std::string expectedFile;
  std::vector<JobCall> calls;
};

inline const HostAddress kAddress = {{192, 168, 1, 20}};
inline const std::string kUserId = "KSTUSER";
inline const std::string kPassword = "PASS123";
inline const std::string kLauncherScriptPath = "C:\\TEMP\\ZEMO0000\\FTPCMD.BAT";
inline const std::string kLauncherLogPath = "C:\\TEMP\\ZEMO0000\\FTPLOG.LOG";

inline std::vector<Job> InstallerJobs() {
  const std::string hostObject = "C:\\TEMP\\ZEMO0000\\QSAVF.DAT";
  const std::string product = "C:\\KESTRALON\\PRODUCT.SAVF";
  const std::string saveFile = "/QSYS.LIB/QTEMP.LIB/QSAVF.FILE";
  const JobCall create = {CallKind::kRemoteCommand, "CRTSAVF FILE(QTEMP/QSAVF) AUT(*ALL)", ""};
  const JobCall restoreObjects = {
      CallKind::kRemoteCommand,
      "RSTOBJ OBJ(*ALL) SAVLIB(QTEMP) DEV(*SAVF) SAVF(QTEMP/QSAVF) MBROPT(*ALL) ALWOBJDIF(*ALL) RSTLIB(QTEMP)", ""};
  return {
      {"job1_authority.txt",
       {create,
        {CallKind::kPut, hostObject, saveFile},
        restoreObjects,
        {CallKind::kRemoteCommand, "CALL PGM(QTEMP/KV2207C) PARM('QSAVF' 'QTEMP' 'QTEMP' 'KSTUSER')", ""}}},
      {"job2_library_probe.txt", {{CallKind::kRawLine, "cd KSTLIB\n", ""}}},
      {"job3_restore.txt",
       {create,
        {CallKind::kPut, product, saveFile},
        {CallKind::kRemoteCommand,
         "RSTLIB SAVLIB(KESTRAL) DEV(*SAVF) SAVF(QTEMP/QSAVF) MBROPT(*ALL) ALWOBJDIF(*ALL) RSTLIB(KSTLIB)", ""}}},
      {"job4_verify.txt",
       {create,
        {CallKind::kPut, hostObject, saveFile},
        restoreObjects,
        {CallKind::kRemoteCommand, "CLRSAVF FILE(QTEMP/QSAVF)", ""},
        {CallKind::kPut, product, saveFile},
        {CallKind::kRemoteCommand, "CALL PGM(QTEMP/KV2207C) PARM('QSAVF' 'QTEMP' 'KSTLIB' 'KSTUSER')", ""}}},
  };
}

// Makes the calls of one job, between BeginScript and EndScript, on anything with FtpJob's
// script operations.
template <typename Writer>
void WriteScript(Writer& writer, const Job& job) {
  writer.BeginScript(kAddress, kUserId, kPassword);
  for (const JobCall& call : job.calls) {
    switch (call.kind) {
      case CallKind::kRemoteCommand:
        writer.AddRemoteCommand(call.text);
        break;
      case CallKind::kPut:
        writer.AddPut(call.text, call.remoteName);
        break;
      case CallKind::kRawLine:
        writer.AddRawLine(call.text);
        break;
    }
  }
  writer.EndScript();
}

// The expected bytes, kept beside the tests.
std::string ReadExpected(const std::string& name);

}  // namespace golden
