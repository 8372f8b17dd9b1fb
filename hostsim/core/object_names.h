#pragma once
// Names of libraries and objects as commands and FTP paths give them.
#include <optional>
#include <string>

namespace hostsim {

constexpr char kTempLibrary[] = "QTEMP";
constexpr char kLibraryList[] = "*LIBL";
constexpr char kCurrentLibrary[] = "*CURLIB";

// LIB/OBJECT, or OBJECT alone (library *LIBL). Nullopt when either part is not a valid name
// (the library may also be *LIBL or *CURLIB).
struct QualifiedName {
  std::string library;
  std::string object;
};
std::optional<QualifiedName> ParseQualifiedName(const std::string& text);

bool IsValidName(const std::string& name);

// What an FTP path names: a library, the library directory /QSYS.LIB itself, or an object in a
// library. Accepted forms (letters in any case):
//   /QSYS.LIB/LIB.LIB/OBJ.FILE   QSYS.LIB/LIB.LIB/OBJ.FILE   LIB/OBJ   OBJ.FILE   OBJ
//   /QSYS.LIB/LIB.LIB   LIB.LIB   LIB   /QSYS.LIB   /   ..
struct FtpPath {
  enum class Kind { kRoot, kLibrary, kObject } kind = Kind::kRoot;
  std::string library;  // empty for an object named without its library
  std::string object;
  std::string type;  // the extension's type, e.g. *FILE for .FILE; empty when none was given
};
std::optional<FtpPath> ParseFtpObjectPath(const std::string& text);
std::optional<FtpPath> ParseFtpDirectoryPath(const std::string& text);

}  // namespace hostsim
