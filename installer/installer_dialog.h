#pragma once
// The installer's main window: the settings of one run, the form, and the two workflows behind OK.
#include <windows.h>

#include <string>
#include <vector>

#include "ftpjob/ftp_job.h"
#include "ftpjob/host_address.h"
#include "installer/job_decisions.h"
#include "progress/progress_dialog.h"
#include "res/resource.h"
#include "ui/controls.h"
#include "ui/dialog.h"

// Our own ftp client in the work folder, once a job has shown that active mode is blocked.
inline constexpr char kPassiveClientName[] = "FTPPASV.EXE";

// Deletes a file of the work folder when it goes out of scope, however a workflow ends.
struct FileRemovedAtEnd {
  std::string path;
  ~FileRemovedAtEnd() {
    if (!path.empty()) DeleteFileA(path.c_str());
  }
};

class InstallerDialog : public Dialog {
 public:
  InstallerDialog() : Dialog(IDD_INSTALLER) {}
  ~InstallerDialog() override = default;

  // Fills title, productName, saveFilePath and targetLibrary from the settings file at path;
  // true when it exists and names this installer in Profile/ExeName.
  bool LoadSettings(const std::string& path);

  // Puts the form into its start state (settings read, address 0.0.0.0, library option checked).
  void ResetControls();
  void OnLibraryOptionClicked();
  void SetControlsEnabled(bool enable);

  // The two workflows behind OK; 1 go on / success, 0 stop.
  int CheckBeforeInstall();
  int InstallAndVerify();
  bool ConfirmCancel();

  HostAddress hostAddress;
  std::string userId;
  std::string password;
  std::string title;
  std::string productName;
  std::string saveFilePath;
  std::string targetLibrary;
  std::string workDirectory;
  FtpJob job;
  ProgressDialog progress;
  bool controlsEnabled = true;

  ButtonControl cancelButton;
  StaticControl userIdLabel;
  StaticControl passwordLabel;
  StaticControl libraryLabel;
  StaticControl addressLabel;
  ButtonControl libraryOption;
  EditControl libraryEdit;
  StaticControl descriptionText;
  ButtonControl okButton;
  EditControl userIdEdit;
  EditControl passwordEdit;
  IpAddressControl addressControl;

 protected:
  void BindControls() override;
  BOOL OnInitDialog() override;  // InitializeSession
  bool OnCommand(WORD id, WORD code) override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;
  void OnDestroy() override;  // the teardown

 private:
  BOOL InitializeSession();
  bool LocateSaveFile();
  bool AskForSaveFile();
  void OnOK();
  BOOL OnSetCursor();
  void SelectAllOnFocus(const EditControl& edit);
  void EnforceTextLimit(const EditControl& edit);
  int ShowDialogMessage(const std::string& text, UINT type);

  // The workflows' steps.
  void ReadAddress();
  std::string ReadLibraryName() const;
  // One job's files: the launcher, then the script. A job any of whose lines could not be written
  // (a full disk) must not run, since a script cut short may still look like a success: its files
  // are removed and false returned.
  template <class AddCommands>
  bool PrepareJob(AddCommands addCommands) {
    const bool written =
        job.WriteLauncher() && job.BeginScript(hostAddress, userId, password) && addCommands() && job.EndScript();
    if (!written) job.RemoveFiles();
    return written;
  }
  // Runs the prepared job (uploads: the files it puts, in order) with its progress shown;
  // cancelCheck is asked at every poll and may end the job.
  int RunJob(const std::vector<std::string>& uploads, const PollHandler& cancelCheck);
  JobLog ReadJobLog();
  // When the decision says that active mode was blocked and this run is not yet in passive mode:
  // puts our own client into the work folder, switches every later job to it, shows that the job
  // is tried again, and says yes. No when the job stands as it is.
  bool SwitchToPassive(const Decision& decision, bool cancelEnabled);
  // Shows the decision's message and stops, asks its question, or goes on; true: go on.
  bool CarryOut(const Decision& decision);
  const Control* ControlFor(FocusTarget target) const;
  bool UserConfirmsCancel();
  void KeepGoingAfterCancelDeclined();
  // The save file as the job scripts name it: its path when that is ASCII, else a second name for
  // it in the work folder; empty when that cannot be made.
  std::string ProductFileForScript() const;
  int RunInstallationJob(const std::vector<std::string>& uploads, const std::string& status,
                         const std::string& library);
  int RefuseInput(const char* text, const Control& focus);
  int StopWithProgressOpen(const std::string& text, UINT icon, const Control* focus);
  int StopAbandoned(const std::string& library);
  int CloseAndStop();

  // The control that is to hold the focus once the form is enabled again after a failed check.
  const Control* focusTarget_ = nullptr;
};
