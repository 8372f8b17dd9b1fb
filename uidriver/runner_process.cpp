// Steps about processes, files, the environment and signals to the installer.
#include "uidriver/runner.h"
#include "uidriver/values.h"
#include "uidriver/win_text.h"
#include "uidriver/win_windows.h"

namespace uidriver {
namespace {

constexpr char kInstaller[] = "KESTRALON.EXE";
constexpr LONG kMaxSemaphoreCount = 1000;

bool PathExists(const std::string& pattern) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA(pattern.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  FindClose(search);
  return true;
}

}  // namespace

bool Runner::Start(const Step& step) {
  return StartProcess(step.args.empty() ? "main" : step.args[0], options_.appFolder);
}

bool Runner::StartIn(const Step& step) {
  return StartProcess(step.args[0], ExpandEnvironment(Utf8ToAnsi(step.args[1])));
}

bool Runner::StartWith(const Step& step) {
  const std::string arguments = ExpandEnvironment(Utf8ToAnsi(step.args[1]));
  if (step.args.size() < 3) return StartProcess(step.args[0], options_.appFolder, arguments);
  const std::string input = ExpandEnvironment(Utf8ToAnsi(step.args[2]));
  return StartProcess(step.args[0], options_.appFolder, arguments, &input);
}

bool Runner::StartProcess(const std::string& name, const std::string& folder, const std::string& arguments,
                          const std::string* input) {
  if (processes_.count(name) != 0) return Fail("a process named \"" + name + "\" was started before");
  std::string commandLine = "\"" + options_.appFolder + "\\" + kInstaller + "\"";
  if (!arguments.empty()) commandLine += " " + arguments;
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  HANDLE readEnd = nullptr;
  HANDLE writeEnd = nullptr;
  if (input != nullptr) {
    SECURITY_ATTRIBUTES inherited = {sizeof inherited, nullptr, TRUE};
    if (!CreatePipe(&readEnd, &writeEnd, &inherited, 0)) return Fail("cannot create a pipe for standard input");
    SetHandleInformation(writeEnd, HANDLE_FLAG_INHERIT, 0);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = readEnd;
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  }
  PROCESS_INFORMATION created = {};
  const BOOL started = CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, input != nullptr, 0, nullptr,
                                      folder.c_str(), &startup, &created);
  if (readEnd != nullptr) CloseHandle(readEnd);
  if (writeEnd != nullptr) {
    DWORD written = 0;
    if (started) WriteFile(writeEnd, input->data(), static_cast<DWORD>(input->size()), &written, nullptr);
    CloseHandle(writeEnd);  // the end of the input
  }
  if (!started) {
    return Fail("cannot start " + AnsiToUtf8(commandLine) + " in " + AnsiToUtf8(folder) + ", error " +
                std::to_string(GetLastError()));
  }
  CloseHandle(created.hThread);
  processes_[name] = Process{created.hProcess, created.dwProcessId};
  currentProcess_ = name;
  currentWindow_ = nullptr;
  return true;
}

// Ends the process at once, as a user's Task Manager would: nothing of its own runs afterwards.
bool Runner::Kill(const Step& step) {
  if (!step.args.empty() && !Use(step)) return false;
  Process process;
  if (!CurrentProcess(process)) return false;
  if (!TerminateProcess(process.handle, 255))
    return Fail("cannot end the process, error " + std::to_string(GetLastError()));
  WaitForSingleObject(process.handle, 5000);
  return true;
}

bool Runner::Use(const Step& step) {
  if (processes_.count(step.args[0]) == 0) return Fail("no process named \"" + step.args[0] + "\"");
  currentProcess_ = step.args[0];
  return true;
}

bool Runner::ExpectExit(const Step& step) {
  Process process;
  if (!CurrentProcess(process)) return false;
  long expected = 0;
  ParseInt(step.args[0], expected);
  const auto check = [&] {
    Observation seen;
    DWORD code = 0;
    if (WaitForSingleObject(process.handle, 0) == WAIT_TIMEOUT || !GetExitCodeProcess(process.handle, &code)) {
      seen.seen = "the process still running";
      return seen;
    }
    seen.ok = static_cast<long>(code) == expected;
    seen.seen = "exit status " + std::to_string(static_cast<long>(code));
    return seen;
  };
  return WaitUntil(step, check, "exit status " + step.args[0]);
}

// An unattended run: from now until the process ends, not one window of it is ever shown.
bool Runner::ExpectWindowlessExit(const Step& step) {
  Process process;
  if (!CurrentProcess(process)) return false;
  long expected = 0;
  ParseInt(step.args[0], expected);
  std::size_t windowsSeen = 0;
  const auto check = [&] {
    Observation seen;
    windowsSeen += VisibleTopLevelWindows(process.id).size();
    DWORD code = 0;
    if (WaitForSingleObject(process.handle, 0) == WAIT_TIMEOUT || !GetExitCodeProcess(process.handle, &code)) {
      seen.seen = "the process still running";
    } else {
      seen.ok = static_cast<long>(code) == expected && windowsSeen == 0;
      seen.seen = "exit status " + std::to_string(static_cast<long>(code));
    }
    if (windowsSeen > 0) seen.seen += ", a window shown";
    return seen;
  };
  return WaitUntil(step, check, "exit status " + step.args[0] + " without a window");
}

bool Runner::ExpectRunning(const Step&) {
  Process process;
  if (!CurrentProcess(process)) return false;
  if (WaitForSingleObject(process.handle, 0) == WAIT_TIMEOUT) return true;
  DWORD code = 0;
  GetExitCodeProcess(process.handle, &code);
  return Fail("the process \"" + currentProcess_ + "\" has ended with status " + std::to_string(code));
}

bool Runner::ExpectAbsent(const Step& step) {
  const std::string pattern = ExpandEnvironment(Utf8ToAnsi(step.args[0]));
  return WaitUntil(
      step,
      [&] {
        return Observation{!PathExists(pattern), "it present"};
      },
      "nothing matching " + AnsiToUtf8(pattern));
}

bool Runner::ExpectPresent(const Step& step) {
  const std::string pattern = ExpandEnvironment(Utf8ToAnsi(step.args[0]));
  return WaitUntil(
      step,
      [&] {
        return Observation{PathExists(pattern), "nothing there"};
      },
      "a match for " + AnsiToUtf8(pattern));
}

// A folder where the installer expects a file of that name is how a test makes its writing fail.
bool Runner::MakeFolder(const Step& step) {
  const std::string path = ExpandEnvironment(Utf8ToAnsi(step.args[0]));
  if (CreateDirectoryA(path.c_str(), nullptr)) return true;
  return Fail("cannot create the folder " + AnsiToUtf8(path));
}

bool Runner::RemoveFile(const Step& step) {
  const std::string path = ExpandEnvironment(Utf8ToAnsi(step.args[0]));
  if (DeleteFileA(path.c_str())) return true;
  return Fail("cannot delete " + AnsiToUtf8(path));
}

bool Runner::SetEnv(const Step& step) {
  const std::string value = ExpandEnvironment(Utf8ToAnsi(step.args[1]));
  if (SetEnvironmentVariableA(step.args[0].c_str(), value.c_str())) return true;
  return Fail("cannot set " + step.args[0]);
}

bool Runner::UnsetEnv(const Step& step) {
  SetEnvironmentVariableA(step.args[0].c_str(), nullptr);
  return true;
}

bool Runner::Signal(const Step& step) {
  long count = 1;
  if (step.args.size() > 1) ParseInt(step.args[1], count);
  if (count < 1) return Fail("the count must be at least 1");
  // The semaphore is kept open, so releases made before the installer opens it are not lost.
  HANDLE& semaphore = semaphores_[step.args[0]];
  if (semaphore == nullptr) {
    semaphore = CreateSemaphoreA(nullptr, 0, kMaxSemaphoreCount, Utf8ToAnsi(step.args[0]).c_str());
    if (semaphore == nullptr) return Fail("cannot create the semaphore, error " + std::to_string(GetLastError()));
  }
  if (!ReleaseSemaphore(semaphore, count, nullptr)) {
    return Fail("cannot release the semaphore, error " + std::to_string(GetLastError()));
  }
  return true;
}

}  // namespace uidriver
