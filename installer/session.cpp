// The dialog's side of the run's settings and work files: telling the user what is missing,
// asking for the product save file, and removing the work folder when the dialog goes away.
#include <windows.h>

#include <commdlg.h>

#include <string>

#include "fileutil/path_text.h"
#include "fileutil/paths.h"
#include "installer/installer_dialog.h"
#include "installer/messages.h"
#include "installer/run_session.h"
#include "installer/support_log.h"
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

BOOL InstallerDialog::OnInitDialog() {
  CenterWindow();  // the modal dialog opens in the middle of the screen
  return InitializeSession();
}

BOOL InstallerDialog::InitializeSession() {
  std::string refusal;
  switch (LoadRunSettings(session, title, refusal)) {
    case SessionProblem::kNone:
      break;
    case SessionProblem::kSettingsUnavailable:
      ShowDialogMessage(msg::kSettingsUnavailable, MB_ICONSTOP);
      EndDialog(IDCANCEL);
      return TRUE;
    case SessionProblem::kInvalidTargetLibrary:
      ShowMessage(msg::kInvalidTargetLibrarySetting, msg::kAppTitle, MB_OK | MB_ICONSTOP);
      EndDialog(IDCANCEL);
      return TRUE;
    case SessionProblem::kInvalidTlsSetting:
      ShowDialogMessage(refusal, MB_ICONSTOP);
      EndDialog(IDCANCEL);
      return TRUE;
    case SessionProblem::kSaveFileNotFound:
      ShowDialogMessage(msg::kSaveFileNotFound, MB_ICONEXCLAMATION);
      if (!AskForSaveFile()) {
        EndDialog(IDCANCEL);
        return TRUE;
      }
      TheSupportLog().Write("product file picked: " + session.saveFilePath);
      break;
  }
  session.tls = WithTlsSwitches(session.tls, prefill_);
  if (!CreateWorkFolder(session)) {
    ShowDialogMessage(msg::kWorkFolderUnavailable, MB_ICONSTOP);
    EndDialog(IDCANCEL);
    return TRUE;
  }
  ResetControls();
  FitStaticTextHeight(hwnd(), IDC_DESCRIPTION);  // the maker's product name may need more lines
  return TRUE;
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
  session.saveFilePath = chosen;
  return true;
}

void InstallerDialog::OnDestroy() {
  LogProductDigest(session, TheSupportLog(), DigestWait::kStop);
  RemoveWorkFolder(session);
}

int InstallerDialog::ShowDialogMessage(const std::string& text, UINT type) {
  return ShowMessage(text, title, MB_OK | type);
}
