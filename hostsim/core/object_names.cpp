#include "hostsim/core/object_names.h"

#include <vector>

#include "hostsim/core/text.h"
#include "savf/image_format.h"

namespace hostsim {
namespace {

std::vector<std::string> SplitPath(const std::string& text) {
  std::vector<std::string> parts;
  std::string part;
  for (char c : text) {
    if (c == '/') {
      if (!part.empty()) parts.push_back(part);
      part.clear();
    } else {
      part += c;
    }
  }
  if (!part.empty()) parts.push_back(part);
  return parts;
}

// NAME.EXT split at the last period; periods may also occur inside IBM i names.
bool SplitExtension(const std::string& part, std::string& name, std::string& extension) {
  const std::size_t dot = part.rfind('.');
  if (dot == std::string::npos || dot == 0) return false;
  name = part.substr(0, dot);
  extension = part.substr(dot + 1);
  return true;
}

std::optional<std::string> LibraryPart(const std::string& part) {
  std::string name, extension;
  if (SplitExtension(part, name, extension) && extension == "LIB") {
    return IsValidName(name) ? std::optional<std::string>(name) : std::nullopt;
  }
  return IsValidName(part) ? std::optional<std::string>(part) : std::nullopt;
}

std::optional<FtpPath> ObjectPart(const std::string& part, const std::string& library) {
  FtpPath path;
  path.kind = FtpPath::Kind::kObject;
  path.library = library;
  std::string name, extension;
  if (SplitExtension(part, name, extension) && IsValidName(name) && !extension.empty() &&
      savf::IsValidObjectType("*" + extension)) {
    path.object = name;
    path.type = "*" + extension;
  } else if (IsValidName(part)) {
    path.object = part;
  } else {
    return std::nullopt;
  }
  return path;
}

// Drops a leading QSYS.LIB, the only library directory there is. An absolute path must start
// with it: /home or /etc name nothing here.
std::optional<std::vector<std::string>> WithoutSystemLibrary(const std::string& upper) {
  std::vector<std::string> parts = SplitPath(upper);
  const bool absolute = !upper.empty() && upper[0] == '/';
  if (!parts.empty() && parts[0] == "QSYS.LIB") {
    parts.erase(parts.begin());
  } else if (absolute && !parts.empty()) {
    return std::nullopt;
  }
  return parts;
}

}  // namespace

bool IsValidName(const std::string& name) { return savf::IsValidObjectName(name); }

std::optional<QualifiedName> ParseQualifiedName(const std::string& text) {
  const std::size_t slash = text.find('/');
  QualifiedName name{kLibraryList, text};
  if (slash != std::string::npos) {
    name.library = text.substr(0, slash);
    name.object = text.substr(slash + 1);
    const bool special = name.library == kLibraryList || name.library == kCurrentLibrary;
    if (!special && !IsValidName(name.library)) return std::nullopt;
  }
  if (!IsValidName(name.object)) return std::nullopt;
  return name;
}

std::optional<FtpPath> ParseFtpObjectPath(const std::string& text) {
  const std::optional<std::vector<std::string>> found = WithoutSystemLibrary(ToUpper(text));
  if (!found) return std::nullopt;
  const std::vector<std::string>& parts = *found;
  if (parts.size() == 1) return ObjectPart(parts[0], "");
  if (parts.size() != 2) return std::nullopt;
  const std::optional<std::string> library = LibraryPart(parts[0]);
  if (!library) return std::nullopt;
  return ObjectPart(parts[1], *library);
}

std::optional<FtpPath> ParseFtpDirectoryPath(const std::string& text) {
  const std::string upper = ToUpper(Trim(text));
  if (upper == "..") return FtpPath{};
  const std::optional<std::vector<std::string>> found = WithoutSystemLibrary(upper);
  if (!found) return std::nullopt;
  const std::vector<std::string>& parts = *found;
  if (parts.empty()) return upper.empty() ? std::nullopt : std::optional<FtpPath>(FtpPath{});
  if (parts.size() != 1) return std::nullopt;
  const std::optional<std::string> library = LibraryPart(parts[0]);
  if (!library) return std::nullopt;
  FtpPath path;
  path.kind = FtpPath::Kind::kLibrary;
  path.library = *library;
  return path;
}

}  // namespace hostsim
