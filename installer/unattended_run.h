#pragma once
// The unattended run (/silent): the same input tests, jobs and decisions as the dialog, with no
// window at all. Everything the dialog would show goes to the support log; the outcome is the
// process's exit code.
#include <string>

#include "installer/command_line.h"
#include "installer/run_outcome.h"

// The password of an unattended run: KESTRALON_PASSWORD, which is taken out of the installer's
// own environment whatever the mode (so that neither the command interpreter nor the client
// inherits it), or else, for an unattended run, the first line of standard input.
std::string TakePassword(bool unattended);

ExitCode RunUnattended(const CommandLine& line, const std::string& password);
