#pragma once
// What the three FTP jobs of an installation send to the host, in order. Templates over the job
// type, so the scripts can be checked byte for byte without the operating system. Each returns
// true when every line was written, and stops at the first that was not.
#include <string>

#include "installer/text_rules.h"

namespace hostjobs {

inline constexpr char kSaveFileUploadName[] = "/QSYS.LIB/QTEMP.LIB/QSAVF.FILE";
inline constexpr char kCreateSaveFile[] = "CRTSAVF FILE(QTEMP/QSAVF) AUT(*ALL)";
inline constexpr char kClearSaveFile[] = "CLRSAVF FILE(QTEMP/QSAVF)";
inline constexpr char kRestoreHostObject[] =
    "RSTOBJ OBJ(*ALL) SAVLIB(QTEMP) DEV(*SAVF) SAVF(QTEMP/QSAVF) MBROPT(*ALL) ALWOBJDIF(*ALL) RSTLIB(QTEMP)";
inline constexpr char kRestoreLibraryFormat[] =
    "RSTLIB SAVLIB(%s) DEV(*SAVF) SAVF(QTEMP/QSAVF) MBROPT(*ALL) ALWOBJDIF(*ALL) RSTLIB(%s)";
inline constexpr char kCallInQtempFormat[] = "CALL PGM(QTEMP/KV2207C) PARM('QSAVF' 'QTEMP' 'QTEMP' '%s')";
inline constexpr char kCallInLibraryFormat[] = "CALL PGM(QTEMP/KV2207C) PARM('QSAVF' 'QTEMP' '%s' '%s')";
inline constexpr char kChangeLibraryFormat[] = "cd %s\n";

// The texts of the host's replies that the log scan looks for.
inline constexpr char kCrtsavfError[] = "ERROR OCCURRED ON COMMAND CRTSAVF";
inline constexpr char kRstobjError[] = "ERROR OCCURRED ON COMMAND RSTOBJ";
inline constexpr char kCallError[] = "ERROR OCCURRED ON COMMAND CALL";
inline constexpr char kCurrentLibrary[] = "IS CURRENT LIBRARY";

// Job 1: may this user create, fill and restore save files? The host object is restored into
// QTEMP and its program checks itself against the save file.
template <class Job>
bool AddAuthorityTest(Job& job, const std::string& hostObjectFile, const std::string& userId) {
  return job.AddRemoteCommand(kCreateSaveFile) && job.AddPut(hostObjectFile, kSaveFileUploadName) &&
         job.AddRemoteCommand(kRestoreHostObject) && job.AddRemoteCommand(FormatText(kCallInQtempFormat, userId));
}

// Job 2: does the target library exist already?
template <class Job>
bool AddLibraryProbe(Job& job, const std::string& library) {
  return job.AddRawLine(FormatText(kChangeLibraryFormat, library));
}

// Job 3: the installation. One connection, so that the product goes up once and the
// verification compares the library with the very save file it was restored from: the host object
// is restored into QTEMP first (its save file then cleared for the product), the product library
// saved as savedLibrary is restored into library, and the host object's program compares the two.
template <class Job>
bool AddInstallation(Job& job, const std::string& hostObjectFile, const std::string& productFile,
                     const std::string& savedLibrary, const std::string& library, const std::string& userId) {
  return job.AddRemoteCommand(kCreateSaveFile) && job.AddPut(hostObjectFile, kSaveFileUploadName) &&
         job.AddRemoteCommand(kRestoreHostObject) && job.AddRemoteCommand(kClearSaveFile) &&
         job.AddPut(productFile, kSaveFileUploadName) &&
         job.AddRemoteCommand(FormatText2(kRestoreLibraryFormat, savedLibrary, library)) &&
         job.AddRemoteCommand(FormatText2(kCallInLibraryFormat, library, userId));
}

}  // namespace hostjobs
