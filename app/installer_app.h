#pragma once
#include <windows.h>

// The application object: prepares the platform, keeps a second installer out, and runs the
// installer dialog modally. There is no message loop after the dialog.
class InstallerApp {
 public:
  // Returns false in every case: the process ends when it returns.
  bool InitInstance();

 private:
  bool StartSockets();
  bool TakeSingleInstanceMutex();

  // Held until the process ends; the system closes it then.
  HANDLE instanceMutex_ = nullptr;
};
