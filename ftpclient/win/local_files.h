// Local files for uploads, opened with the ANSI (code page 932) file API.
#pragma once

#include "ftpclient/core/transport.h"

namespace ftpclient {

class Win32LocalFiles : public LocalFiles {
 public:
  std::unique_ptr<LocalFileReader> OpenForReading(const std::string& path) override;
};

// Reads a whole file (the command script) into `text`; false when it cannot be read.
bool ReadWholeFile(const std::string& path, std::string& text);

}  // namespace ftpclient
