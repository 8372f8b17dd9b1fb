#pragma once
#include <windows.h>

#include <string>

#include "installer/command_line.h"
#include "installer/run_outcome.h"

// The application object: reads the command line, opens the support log, prepares the platform,
// keeps a second installer out, and runs the installer dialog modally, or the unattended run.
// There is no message loop after the dialog.
class InstallerApp {
 public:
  // arguments: the command line after the program's name. Returns the process's exit code: for
  // an unattended run its outcome; for the dialog 0, or 1 for switches it refused.
  int Run(const std::string& arguments);

 private:
  // Returns false in every case: the process ends when it returns.
  bool InitInstance();
  bool StartSockets();
  bool TakeSingleInstanceMutex();
  // The support log of this run, with what it says about the PC, the package and the switches.
  void StartSupportLog(const CommandLine& line);
  // Bad switches, or /?: told in a box (bad switches with /silent: only in the log); true when
  // the run ends here.
  bool AnswerCommandLine(const CommandLine& line);
  // Records how the run ended: outcome, and the exit code (the dialog's run ends with 0 whatever
  // happened, as it always has).
  void Ended(ExitCode outcome);
  void Ended(int exitCode, const std::string& how);

  CommandLine line_;
  std::string password_;
  int exitCode_ = 0;
  // Held until the process ends; the system closes it then.
  HANDLE instanceMutex_ = nullptr;
};
