#pragma once
// User profiles, read from a text file with one user a line:
//   NAME PASSWORD AUTHORITIES
// AUTHORITIES is a comma-separated list of crtsavf (may create save files) and restore (may
// restore objects and libraries), or "none". Lines starting with # and empty lines are ignored.
// Names and passwords are not case-sensitive, as on a host at password level 0 or 1.
#include <optional>
#include <string>
#include <vector>

namespace hostsim {

struct UserProfile {
  std::string name;  // upper case
  std::string password;
  bool mayCreateSaveFiles = false;
  bool mayRestore = false;
};

struct UsersResult {
  bool ok = false;
  std::string error;  // "line N: ..." when not ok
  std::vector<UserProfile> users;
};

UsersResult ParseUsers(const std::string& text);

// The profile when name and password match, otherwise nullopt (the caller does not learn which).
std::optional<UserProfile> Authenticate(const std::vector<UserProfile>& users, const std::string& name,
                                        const std::string& password);

}  // namespace hostsim
