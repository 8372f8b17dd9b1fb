#pragma once
// CONFIG.INI, the settings file beside the executable: what it gives one run of the installer.
#include <string>

struct InstallerSettings {
  std::string title;  // the window title and the caption of the dialog's message boxes
  std::string productName;
  std::string saveFilePath;     // as written in the file: a bare name or a path
  std::string targetLibrary;    // the library the product was saved from
  std::string tls;              // Tls: auto, required or off (empty: auto)
  std::string tlsCertificates;  // TlsCertificateSha256: the pinned fingerprints, as written
};

// Reads the settings file at path. False when there is no such file or its Profile/ExeName does
// not name this installer; the title is then "KESTRALON". Values are trimmed, and at most 1023
// bytes of each are seen.
bool LoadSettings(const std::string& path, InstallerSettings& settings);
