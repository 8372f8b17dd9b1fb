// Local files for uploads, named in the script's UTF-8 and opened with the wide file API.
#pragma once

#include "ftpclient/core/transport.h"

namespace ftpclient {

class Win32LocalFiles : public LocalFiles {
 public:
  std::unique_ptr<LocalFileReader> OpenForReading(const std::string& path) override;
};

// Reads a whole file (the command script, named in the ANSI code page) into `text`; false when it
// cannot be read.
bool ReadWholeFile(const std::string& path, std::string& text);

}  // namespace ftpclient
