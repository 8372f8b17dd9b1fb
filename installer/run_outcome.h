#pragma once
// How a run ended, one value for each outcome the installer tells apart: the unattended run's exit
// code, and the outcome the support log names. No operating system.
#include <string>

enum class ExitCode : int {
  kSuccess = 0,
  kBadInput = 1,  // the switches, the password, the settings or the product file
  kLogOnFailed = 2,
  kNoAuthority = 3,    // to work with or to restore save files
  kLibraryExists = 4,  // and overwriting it was not allowed
  kUploadFailed = 5,
  kHostStepFailed = 6,  // a command on the host ended in error during the installation
  kNotVerified = 7,     // the verification could not prove that every object arrived
  kUnknownError = 8,
  kAlreadyRunning = 9,
  kNoTrustedTls = 10,  // TLS was required and no trusted TLS session came about: nothing was sent
};

// "log-on failed" and so on: how the support log names the outcome.
const char* OutcomeName(ExitCode code);

// The outcome that a message of the workflows stands for (userId: as it was put into the
// authority messages). A message that names no particular outcome is the unknown error.
ExitCode OutcomeOfMessage(const std::string& message, const std::string& userId);
