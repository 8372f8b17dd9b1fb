#pragma once
// A stand-in for the OK handler that shows the form's busy state and the progress window without a
// host, for the end-to-end tests and for demonstrations. It goes when the workflows can be tested
// end to end against the substitute host.
class InstallerDialog;

// With KESTRALON_UI_DEMO set, runs the demonstration in place of the OK handler and returns true;
// otherwise returns false at once. "step" waits before each next state until the semaphore
// kUiDemoSemaphore is released (the UI driver's "signal" step); a number of milliseconds waits
// that long instead.
bool RunUiDemoIfRequested(InstallerDialog& dialog);

inline constexpr char kUiDemoSemaphore[] = "KESTRALON_UI_DEMO_STEP";
