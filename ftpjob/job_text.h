#pragma once
// The bytes of a job's two files. The client reads its script as a text file of the Windows text
// mode, so every line feed goes to disk as CR LF; all other bytes, code page 932 included, pass
// through unchanged, with no quoting or escaping beyond the quotes the formats contain (and the
// doubled "%" the command interpreter needs in the launcher).
#include <string>

#include "ftpjob/host_address.h"

namespace jobtext {

// Each line feed becomes CR LF, as a text-mode write stores it; a CR before it is kept, so a
// caller's CR LF becomes CR CR LF.
std::string ToTextMode(const std::string& text);

// The launcher's single line: the client on the script, its standard output into the log. The
// command interpreter reads it, so each "%" of a path is doubled to reach the client unchanged.
std::string LauncherLine(const std::string& scriptPath, const std::string& logPath);

// The six lines that start every script: open, user, password, binary, hash and the debug line.
std::string ScriptHeader(const HostAddress& address, const std::string& userId, const std::string& password);

std::string RemoteCommandLine(const std::string& command);
std::string PutLine(const std::string& localPath, const std::string& remoteName);
std::string QuitLine();

// How many final replies the host owes a script's commands after the log-on, the reply to quit
// aside: the lines after open, user and password, up to quit. The client sends each of them on
// as one command, which draws exactly one final reply whatever it says; a put sends two (PORT,
// then STOR); hash and debug only switch something in the client.
int HostRepliesOwed(const std::string& script);

}  // namespace jobtext
