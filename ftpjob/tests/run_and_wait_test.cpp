// Starting a file through the shell and waiting for it while the thread's messages are handled.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "ftpjob/ftp_job.h"
#include "ftpjob/run_and_wait.h"
#include "ui/main_window.h"
#include "win_test_support.h"

namespace {

constexpr char kStartFailed[] = "サブプログラムの起動に失敗しました。";
constexpr UINT kPing = WM_APP + 1;
constexpr auto kPatience = std::chrono::seconds(30);

// What the test window saw while RunAndWait was waiting.
struct WindowLog {
  std::string startedFile;  // written by the batch file once it runs
  std::string releaseFile;  // the batch file ends soon after this appears
  bool released = false;
};
WindowLog g_windowLog;

// On the first ping after the batch file has started: ask the application to quit, then let the
// batch file end. Both happen inside the wait, so they show that messages were handled there.
LRESULT CALLBACK TestWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != kPing) return DefWindowProcA(window, message, wParam, lParam);
  if (!g_windowLog.released && FileExists(g_windowLog.startedFile)) {
    PostQuitMessage(7);
    WriteFileBytes(g_windowLog.releaseFile, "go");
    g_windowLog.released = true;
  }
  return 0;
}

HWND CreateTestWindow(HWND owner, DWORD style) {
  static const ATOM windowClass = [] {
    WNDCLASSA description = {};
    description.lpfnWndProc = TestWindowProcedure;
    description.hInstance = GetModuleHandleA(nullptr);
    description.lpszClassName = "FtpJobTestWindow";
    return RegisterClassA(&description);
  }();
  return CreateWindowExA(0, MAKEINTATOM(windowClass), "test", style, 10, 10, 200, 100, owner, nullptr,
                         GetModuleHandleA(nullptr), nullptr);
}

// Posts pings to a window from another thread until stopped, as other programs would.
class Pinger {
 public:
  explicit Pinger(HWND window)
      : thread_([this, window] {
          const auto end = std::chrono::steady_clock::now() + kPatience;
          while (!stop_ && std::chrono::steady_clock::now() < end) {
            PostMessageA(window, kPing, 0, 0);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
          }
        }) {}
  ~Pinger() {
    stop_ = true;
    thread_.join();
  }

 private:
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

// Answers every message box of this process from a second thread, as a user would, and keeps
// what each showed, until the start-failure box has been answered.
class BoxAnswerer {
 public:
  BoxAnswerer()
      : thread_([this] {
          const auto end = std::chrono::steady_clock::now() + kPatience;
          while (std::chrono::steady_clock::now() < end) {
            for (const HWND box : FindOwnDialogBoxes()) {
              const SeenMessageBox seen = DescribeMessageBox(box);
              seen_.push_back(seen);
              PostMessageA(box, WM_COMMAND, IDOK, 0);
              if (seen.text == kStartFailed) return;
              while (IsWindow(box) && std::chrono::steady_clock::now() < end) {
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
              }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
          }
        }) {}
  ~BoxAnswerer() { Join(); }

  const std::vector<SeenMessageBox>& Join() {
    if (thread_.joinable()) thread_.join();
    return seen_;
  }

 private:
  std::vector<SeenMessageBox> seen_;
  std::thread thread_;
};

// Handles what is left in the thread's queue. Each message is dispatched: a shown window that
// needs painting keeps handing out WM_PAINT until its window procedure has painted it, so a loop
// that only removed messages would never end.
void DrainQueue() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message != WM_QUIT) DispatchMessageA(&message);
  }
}

// A batch file that says it has started, waits (bounded) for the release file, then writes done.
std::string WaitingBatch(const std::string& started, const std::string& release, const std::string& done) {
  return "@echo off\r\n"
         "echo started> \"" +
         started +
         "\"\r\n"
         "set n=0\r\n"
         ":wait\r\n"
         "if exist \"" +
         release +
         "\" goto done\r\n"
         "set /a n=n+1\r\n"
         "if %n% lss 10000 goto wait\r\n"
         ":done\r\n"
         "echo done> \"" +
         done + "\"\r\n";
}

TEST(RunAndWait, WaitsForTheProcessWhileHandlingMessages) {
  ScratchDirectory dir;
  const std::string batch = dir.Path("WAIT.BAT");
  const std::string done = dir.Path("done.txt");
  g_windowLog = WindowLog{dir.Path("started.txt"), dir.Path("release.txt"), false};
  WriteFileBytes(batch, WaitingBatch(g_windowLog.startedFile, g_windowLog.releaseFile, done));
  const HWND window = CreateTestWindow(nullptr, WS_OVERLAPPEDWINDOW);
  ASSERT_NE(window, nullptr);
  DrainQueue();

  int result = 0;
  {
    Pinger pinger(window);
    result = RunAndWait(batch, StartedWindow::kHidden);
  }
  EXPECT_EQ(result, 1);
  EXPECT_TRUE(g_windowLog.released) << "the window's messages were not handled during the wait";
  EXPECT_TRUE(FileExists(done)) << "returned before the batch file had ended";

  MSG quit;
  ASSERT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "WM_QUIT was lost";
  EXPECT_EQ(quit.wParam, 0u);
  DrainQueue();
  DestroyWindow(window);
}

struct MissingFileRun {
  int result = -1;
  std::vector<SeenMessageBox> boxes;
};

MissingFileRun RunMissingFile() {
  ScratchDirectory dir;
  MissingFileRun run;
  BoxAnswerer answerer;
  run.result = RunAndWait(dir.Path("MISSING.BAT"), StartedWindow::kHidden);
  run.boxes = answerer.Join();
  DrainQueue();
  return run;
}

void ExpectShellErrorThenStartFailure(const MissingFileRun& run, HWND expectedOwner) {
  EXPECT_EQ(run.result, 0);
  ASSERT_EQ(run.boxes.size(), 2u);
  EXPECT_NE(run.boxes[0].text, kStartFailed);  // the shell's own
  const SeenMessageBox& ours = run.boxes[1];
  EXPECT_EQ(ours.text, kStartFailed);
  EXPECT_EQ(ours.caption, "ftpjob_win_test");
  EXPECT_EQ(ours.caption, GetAppName());
  EXPECT_EQ(ours.icon, LoadIconA(nullptr, IDI_HAND));
  EXPECT_EQ(ours.owner, expectedOwner);
}

TEST(RunAndWait, MissingFileIsReportedOverTheLastActiveWindow) {
  const HWND mainWindow = CreateTestWindow(nullptr, WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  const HWND progress = CreateTestWindow(mainWindow, WS_POPUP | WS_CAPTION | WS_VISIBLE);
  ASSERT_NE(progress, nullptr);
  SetActiveWindow(progress);
  ASSERT_EQ(GetLastActivePopup(mainWindow), progress);
  SetAppMainWindow(mainWindow);
  const MissingFileRun run = RunMissingFile();
  SetAppMainWindow(nullptr);
  DestroyWindow(progress);
  DestroyWindow(mainWindow);
  ExpectShellErrorThenStartFailure(run, progress);
}

TEST(RunAndWait, MissingFileIsReportedWithoutOwnerBeforeThereIsAMainWindow) {
  ASSERT_EQ(GetAppMainWindow(), nullptr);
  ExpectShellErrorThenStartFailure(RunMissingFile(), nullptr);
}

TEST(FtpJobRun, ScriptIsGoneOnceTheJobHasEnded) {
  ScratchDirectory dir;
  FtpJob job;
  job.launcherPath = dir.Path("DOSCMD.BAT");
  job.scriptPath = dir.Path("FTPCMD.BAT");
  job.logPath = dir.Path("FTPLOG.LOG");
  const std::string seen = dir.Path("seen.txt");
  // A launcher that reports whether the script was there while it ran.
  WriteFileBytes(job.launcherPath, "@if exist \"" + job.scriptPath + "\" echo present> \"" + seen + "\"\r\n");
  job.BeginScript({{127, 0, 0, 1}}, "USER", "SECRET");
  job.EndScript();

  EXPECT_EQ(job.Run(), 1);
  EXPECT_EQ(ReadFileBytes(seen), "present\r\n");
  EXPECT_FALSE(FileExists(job.scriptPath));
  DrainQueue();
}

}  // namespace
