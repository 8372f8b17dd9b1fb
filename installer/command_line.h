#pragma once
// The installer's command line: KESTRALON.EXE [/silent] [/host=ADDRESS] [/user=USER]
// [/library=LIB] [/overwrite=yes|no] [/log=PATH] [/tls=auto|required|off]
// [/certificate-sha256=SHA256[,SHA256...]]... [/?]. No operating system.
#include <optional>
#include <string>
#include <vector>

#include "ftpjob/host_address.h"
#include "tlstrust/trust_rules.h"

struct CommandLine {
  bool silent = false;
  bool help = false;
  std::optional<HostAddress> host;
  std::string userId;   // upper-cased as the form's edit would have it; empty: not given
  std::string library;  // likewise
  bool overwrite = false;
  std::string logPath;                           // empty: the default folder
  std::optional<tlstrust::TlsMode> tls;          // none: CONFIG.INI's
  std::optional<std::vector<std::string>> pins;  // none: CONFIG.INI's; normalised
  // Empty when the command line is sound; else the message that says what is wrong with it.
  std::string error;
};

// The arguments as the C runtime splits a Windows command line: blanks separate, double quotes
// group, backslashes before a quote escape it. Double-byte characters are kept whole.
std::vector<std::string> SplitArguments(const std::string& commandLine);

// Switches are case-insensitive, start with / or -, and take their value after = or :. A
// password is refused here: other users of the PC can read a process's command line.
CommandLine ParseCommandLine(const std::string& arguments);

// The settings' TLS policy with what the command line gave in its place.
tlstrust::TlsPolicy WithTlsSwitches(tlstrust::TlsPolicy policy, const CommandLine& line);

// The password of an unattended run as the form would have taken it: blanks at both ends removed
// and letters upper-cased; none when it does not fit the form's 10 bytes.
std::optional<std::string> PasswordAsTyped(const std::string& given);

// The first line of what standard input gave (the password of an unattended run).
std::string FirstLine(const std::string& input);
