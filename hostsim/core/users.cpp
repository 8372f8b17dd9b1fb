#include "hostsim/core/users.h"

#include <sstream>

#include "hostsim/core/object_names.h"
#include "hostsim/core/text.h"

namespace hostsim {
namespace {

bool ParseAuthorities(const std::string& text, UserProfile& user) {
  if (EqualsIgnoringCase(text, "none")) return true;
  std::istringstream in(text);
  for (std::string flag; std::getline(in, flag, ',');) {
    if (EqualsIgnoringCase(flag, "crtsavf")) {
      user.mayCreateSaveFiles = true;
    } else if (EqualsIgnoringCase(flag, "restore")) {
      user.mayRestore = true;
    } else {
      return false;
    }
  }
  return true;
}

UsersResult Failure(int line, const std::string& message) {
  return UsersResult{false, "line " + std::to_string(line) + ": " + message, {}};
}

}  // namespace

UsersResult ParseUsers(const std::string& text) {
  UsersResult result;
  std::istringstream in(text);
  int number = 0;
  for (std::string line; std::getline(in, line);) {
    ++number;
    std::istringstream words(line);
    std::vector<std::string> fields;
    for (std::string word; words >> word;) fields.push_back(word);
    if (fields.empty() || fields[0][0] == '#') continue;
    if (fields.size() != 3) return Failure(number, "expected NAME PASSWORD AUTHORITIES");
    UserProfile user;
    user.name = ToUpper(fields[0]);
    user.password = fields[1];
    if (!IsValidName(user.name)) return Failure(number, "'" + fields[0] + "' is not a valid user name");
    if (!ParseAuthorities(fields[2], user)) return Failure(number, "authorities are crtsavf,restore or none");
    for (const UserProfile& other : result.users) {
      if (other.name == user.name) return Failure(number, "user " + user.name + " given twice");
    }
    result.users.push_back(user);
  }
  result.ok = true;
  return result;
}

std::optional<UserProfile> Authenticate(const std::vector<UserProfile>& users, const std::string& name,
                                        const std::string& password) {
  for (const UserProfile& user : users) {
    if (EqualsIgnoringCase(user.name, Trim(name)) && EqualsIgnoringCase(user.password, password)) return user;
  }
  return std::nullopt;
}

}  // namespace hostsim
