#pragma once
// What every run needs before its first job, for the dialog and the unattended run alike: the
// settings beside the executable, the product save file, and a work folder of its own.
#include <string>

#include "installer/installation.h"

enum class SessionProblem {
  kNone,
  kSettingsUnavailable,   // no CONFIG.INI, or one for another installer
  kInvalidTargetLibrary,  // its TargetLibrary is no IBM i name
  kSaveFileNotFound,      // the product save file is not where the settings say
  kInvalidTlsSetting,     // Tls or TlsCertificateSha256 cannot be read: refusal says which
};

// CONFIG.INI beside the executable into session (title: the window title and captions). A bare
// save file name is taken from the executable's folder. refusal: the message of a refused TLS
// setting.
SessionProblem LoadRunSettings(RunSession& session, std::string& title, std::string& refusal);
// Removes what killed runs left, then creates the run's work folder and names the job files in it;
// false when no folder can be made.
bool CreateWorkFolder(RunSession& session);
// Removes the job files and the work folder (which stays quietly when something else is inside).
void RemoveWorkFolder(const RunSession& session);
