// The run's settings and work files: reading CONFIG.INI, finding the product save file, creating
// the work directory when the dialog opens, and removing it when the dialog goes away.
#include <windows.h>

#include <commdlg.h>

#include <string>

#include "fileutil/path_text.h"
#include "fileutil/paths.h"
#include "installer/installer_dialog.h"
#include "installer/messages.h"
#include "installer/settings.h"
#include "installer/text_rules.h"
#include "ui/main_window.h"
#include "ui/open_file_dialog.h"
#include "ui/text_fit.h"

namespace {

// The "a|b|c||" filter with its bars turned into the NULs that OPENFILENAME wants.
std::string FileDialogFilter() {
  std::string filter = msg::kSaveFileFilter;
  for (char& c : filter) {
    if (c == '|') c = '\0';
  }
  return filter;
}

}  // namespace

bool InstallerDialog::LoadSettings(const std::string& path) {
  InstallerSettings settings;
  const bool loaded = ::LoadSettings(path, settings);
  title = settings.title;
  productName = settings.productName;
  saveFilePath = settings.saveFilePath;
  targetLibrary = settings.targetLibrary;
  return loaded;
}

BOOL InstallerDialog::OnInitDialog() {
  CenterWindow();  // the modal dialog opens in the middle of the screen
  return InitializeSession();
}

BOOL InstallerDialog::InitializeSession() {
  if (!LoadSettings(GetModuleDirectory() + "CONFIG.INI")) {
    ShowDialogMessage(msg::kSettingsUnavailable, MB_ICONSTOP);
    EndDialog(IDCANCEL);
    return TRUE;
  }
  // The library goes into the restore command: a value that is no IBM i name would only be
  // refused by the host after the whole product had been uploaded.
  if (!IsValidIbmiName(targetLibrary)) {
    ShowMessage(msg::kInvalidTargetLibrarySetting, msg::kAppTitle, MB_OK | MB_ICONSTOP);
    EndDialog(IDCANCEL);
    return TRUE;
  }
  if (!LocateSaveFile()) {
    EndDialog(IDCANCEL);
    return TRUE;
  }
  RemoveStaleWorkDirectories();  // an earlier run that was killed may have left its password
  workDirectory = CreateWorkDirectory();
  if (workDirectory.empty()) {
    // Without a directory of its own the job files would go to the drive's root, and the teardown
    // would delete files of those names there.
    ShowDialogMessage(msg::kWorkFolderUnavailable, MB_ICONSTOP);
    EndDialog(IDCANCEL);
    return TRUE;
  }
  if (FindLastBackslash(workDirectory) != workDirectory.size() - 1) workDirectory += '\\';
  job.launcherPath = workDirectory + "DOSCMD.BAT";
  job.scriptPath = workDirectory + "FTPCMD.BAT";
  job.logPath = workDirectory + "FTPLOG.LOG";
  ResetControls();
  FitStaticTextHeight(hwnd(), IDC_DESCRIPTION);  // the maker's product name may need more lines
  return TRUE;
}

bool InstallerDialog::LocateSaveFile() {
  // A bare name is taken from the executable's directory; any path is used as it is.
  if (FindLastBackslash(saveFilePath) == std::string::npos) saveFilePath = GetModuleDirectory() + saveFilePath;
  if (ProbePath(saveFilePath.c_str()) == kPathIsFile) return true;
  ShowDialogMessage(msg::kSaveFileNotFound, MB_ICONEXCLAMATION);
  return AskForSaveFile();
}

bool InstallerDialog::AskForSaveFile() {
  const std::string filter = FileDialogFilter();
  const std::string initialDirectory = GetModuleDirectory();
  char chosen[kMaxPathBytes + 1] = {};
  OPENFILENAMEA request = {};
  request.lStructSize = sizeof request;
  request.hwndOwner = hwnd();
  request.lpstrFilter = filter.c_str();
  request.nFilterIndex = 1;
  request.lpstrFile = chosen;
  request.nMaxFile = sizeof chosen;
  request.lpstrInitialDir = initialDirectory.c_str();
  request.lpstrTitle = msg::kSaveFileDialogTitle;
  request.lpstrDefExt = msg::kSaveFileExtension;
  request.Flags = OFN_HIDEREADONLY | OFN_FILEMUSTEXIST;
  if (!ShowOpenFileDialog(request)) return false;
  saveFilePath = chosen;
  return true;
}

void InstallerDialog::OnDestroy() {
  if (workDirectory.empty()) return;
  DeleteFileA(job.launcherPath.c_str());
  DeleteFileA(job.scriptPath.c_str());
  DeleteFileA(job.logPath.c_str());
  if (!job.passiveClient.empty()) DeleteFileA(job.passiveClient.c_str());
  RemoveDirectoryA(workDirectory.c_str());  // stays quietly when something else is inside
}

int InstallerDialog::ShowDialogMessage(const std::string& text, UINT type) {
  return ShowMessage(text, title, MB_OK | type);
}
