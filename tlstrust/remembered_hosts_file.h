#pragma once
// The remembered hosts' file: %LOCALAPPDATA%\<appName>\tls-hosts.txt, beside the support log's
// logs folder, in the user's own profile (what one user accepted is not another's answer).
#include <string>
#include <vector>

#include "tlstrust/remembered_hosts.h"

namespace tlstrust {

// Its path; empty when the profile has no local application data folder.
std::string RememberedHostsPath(const std::string& appName);
// What it holds; none when it is missing or cannot be read.
std::vector<RememberedHost> ReadRememberedHosts(const std::string& path);
// Remembers fingerprint for address (now, in UTC), in place of what was remembered for it. The
// file is written whole beside itself and then put in its place, so that a run killed while
// writing, or a full disk, leaves the old file, never half of a new one. False when it could not
// be saved.
bool SaveRememberedHost(const std::string& path, const std::string& address, const std::string& fingerprint);

}  // namespace tlstrust
