#pragma once
// The bytes of a job's two files. The client reads its script as a text file of the Windows text
// mode, so every line feed goes to disk as CR LF; all other bytes, code page 932 included, pass
// through unchanged, with no quoting or escaping beyond the quotes the formats contain (and the
// doubled "%" the command interpreter needs in the launcher).
#include <string>
#include <vector>

#include "ftpjob/host_address.h"

namespace jobtext {

// Each line feed becomes CR LF, as a text-mode write stores it; a CR before it is kept, so a
// caller's CR LF becomes CR CR LF.
std::string ToTextMode(const std::string& text);

// The launcher's single line: into the script's folder, then the client on the script, its
// standard output into the log. The command interpreter reads it, so each "%" of a path is doubled
// to reach the client unchanged. The client runs in the work folder, so that the script can name
// the files there by their bare (ASCII) names, whatever the folder's path holds.
// client is the program run: "ftp", the system's client, unless the job runs our own.
std::string LauncherLine(const std::string& scriptPath, const std::string& logPath, const std::string& client = "ftp");

// How a script names a local file: by its bare name when it lies in the script's own folder (the
// client's current folder, see LauncherLine), else by its path.
std::string ScriptFileName(const std::string& localPath, const std::string& scriptPath);

// Whether every byte is 7-bit ASCII. The Windows client reads its script as UTF-8 (since Windows
// 8), so a code page 932 byte in a script line reaches the host or the file system garbled.
bool IsAscii(const std::string& text);

// The six lines that start every script: open, user, password, binary, hash and the debug line.
std::string ScriptHeader(const HostAddress& address, const std::string& userId, const std::string& password);

// The first line of a script for our own client in passive mode: the client opens the data
// connections itself, so a firewall on the PC that blocks the host's connections back to it does
// not matter. The Windows client would answer it "Invalid command." and go on in active mode.
std::string PassiveLine();

// What our own client is told of TLS, in the lines before the log-on. With TLS it asks the host
// for TLS before it sends anything of the log-on, and logs on only through it (in passive mode):
// a host that does not offer TLS, a failed handshake or a refused certificate end the connection
// before the user name. pins: the SHA-256 fingerprints (64 lower-case hex digits) of which the
// host's certificate must match one; trustSystem: a chain to a root Windows trusts that names
// the host will do too. Neither: any certificate.
struct TlsRequest {
  bool enabled = false;
  std::vector<std::string> pins;
  bool trustSystem = false;
};
// "tls", a "tls pin ..." line a fingerprint, "tls trust-system"; nothing when not enabled.
std::string TlsLines(const TlsRequest& request);

std::string RemoteCommandLine(const std::string& command);
std::string PutLine(const std::string& localPath, const std::string& remoteName);
std::string QuitLine();

// How many final replies the host owes a script's commands after the log-on, the reply to quit
// aside: the lines after open, user and password, up to quit. The client sends each of them on
// as one command, which draws exactly one final reply whatever it says; a put sends two (PORT,
// then STOR); hash and debug only switch something in the client.
int HostRepliesOwed(const std::string& script);

}  // namespace jobtext
