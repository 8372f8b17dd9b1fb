#include "installer/settings.h"

#include <windows.h>

#include "fileutil/paths.h"
#include "installer/messages.h"
#include "installer/text_rules.h"

namespace {

// Values are read into 1024 bytes, so at most 1023 bytes of a value are seen.
std::string ReadSetting(const std::string& path, const char* section, const char* key) {
  char value[1024] = {};
  GetPrivateProfileStringA(section, key, "", value, sizeof value, path.c_str());
  return TrimWhiteSpace(value);
}

}  // namespace

bool LoadSettings(const std::string& path, InstallerSettings& settings) {
  settings = InstallerSettings{};
  settings.title = msg::kAppTitle;
  if (ProbePath(path.c_str()) == kPathMissing) return false;
  if (ReadSetting(path, "Profile", "ExeName") != settings.title) return false;
  settings.productName = ReadSetting(path, "Settings", "ProductName");
  settings.title = settings.productName + msg::kTitleSuffix;
  settings.saveFilePath = ReadSetting(path, "Settings", "SaveFile");
  settings.targetLibrary = ReadSetting(path, "Settings", "TargetLibrary");
  settings.tls = ReadSetting(path, "Settings", "Tls");
  settings.tlsCertificates = ReadSetting(path, "Settings", "TlsCertificateSha256");
  return true;
}
