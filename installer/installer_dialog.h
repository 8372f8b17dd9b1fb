#pragma once
// The installer's main window: the form of one run and OK, which runs the workflows of
// installation.h with this dialog's progress window and message boxes (dialog_run.h).
#include <windows.h>

#include <string>

#include "installer/command_line.h"
#include "installer/installation.h"
#include "progress/progress_dialog.h"
#include "res/resource.h"
#include "ui/controls.h"
#include "ui/dialog.h"

class InstallerDialog : public Dialog {
 public:
  // prefill: what the command line gave for the form (never a password).
  explicit InstallerDialog(CommandLine prefill = CommandLine()) : Dialog(IDD_INSTALLER), prefill_(std::move(prefill)) {}
  ~InstallerDialog() override = default;

  // Puts the form into its start state (settings read, address 0.0.0.0, library option checked),
  // then fills in what the command line gave.
  void ResetControls();
  void OnLibraryOptionClicked();
  void SetControlsEnabled(bool enable);

  std::string title;
  RunSession session;
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
  bool AskForSaveFile();
  void Prefill();
  void OnOK();
  RunInput ReadInput() const;
  const Control* ControlFor(FocusTarget target) const;
  BOOL OnSetCursor();
  void SelectAllOnFocus(const EditControl& edit);
  void EnforceTextLimit(const EditControl& edit);
  int ShowDialogMessage(const std::string& text, UINT type);

  const CommandLine prefill_;
};
