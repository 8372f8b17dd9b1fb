#include "uidriver/win_cursor.h"

#include <cstdio>
#include <memory>

#include "uidriver/win_input.h"
#include "uidriver/win_text.h"

namespace uidriver {
namespace {

constexpr DWORD kProbeTimeoutMs = 10000;
constexpr DWORD kSettleMs = 200;
constexpr int kReferenceSize = 48;
// An animated cursor runs through its images in about a second; the reference watches longer.
constexpr double kFirstLookSeconds = 1.0;
constexpr double kAnimationLookSeconds = 3.0;

HCURSOR g_referenceCursor = nullptr;

LRESULT CALLBACK ReferenceProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_SETCURSOR) {
    SetCursor(g_referenceCursor);
    return TRUE;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

// Wine's own export; absent on Windows, where the probe cannot work anyway.
std::string UnixPathOf(const std::string& windowsPath) {
  using Converter = char*(CDECL*)(LPCWSTR);
  auto convert = reinterpret_cast<Converter>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
  if (convert == nullptr) return std::string();
  char* unixPath = convert(Utf8ToWide(AnsiToUtf8(windowsPath)).c_str());
  if (unixPath == nullptr) return std::string();
  std::string result(unixPath);
  HeapFree(GetProcessHeap(), 0, unixPath);
  return result;
}

void PumpFor(DWORD milliseconds) {
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < milliseconds) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    Sleep(10);
  }
}

bool ReadFileText(const std::string& path, std::string& text) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return false;
  char buffer[512];
  const std::size_t read = std::fread(buffer, 1, sizeof buffer, file);
  std::fclose(file);
  text.assign(buffer, read);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return !text.empty();
}

struct WindowDeleter {
  void operator()(HWND window) const { DestroyWindow(window); }
};
using UniqueWindow = std::unique_ptr<std::remove_pointer<HWND>::type, WindowDeleter>;

UniqueWindow CreateReferenceWindow() {
  static const char kClass[] = "UiDriverCursorReference";
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = &ReferenceProcedure;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
  windowClass.lpszClassName = kClass;
  RegisterClassA(&windowClass);  // fails harmlessly when already registered
  const int x = GetSystemMetrics(SM_CXSCREEN) - kReferenceSize;
  const int y = GetSystemMetrics(SM_CYSCREEN) - kReferenceSize;
  HWND window = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kClass, "", WS_POPUP, x, y,
                                kReferenceSize, kReferenceSize, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  if (window != nullptr) ShowWindow(window, SW_SHOWNOACTIVATE);
  return UniqueWindow(window);
}

}  // namespace

CursorProbe::CursorProbe(std::string command, std::string workFolder)
    : command_(std::move(command)), answerPath_(workFolder + "\\cursor-probe.txt") {}

bool CursorProbe::Read(double seconds, PointerShape& shape, std::string& error) {
  const std::string unixAnswer = UnixPathOf(answerPath_);
  if (unixAnswer.empty()) {
    error = "the pointer's shape cannot be read outside Wine";
    return false;
  }
  DeleteFileA(answerPath_.c_str());
  char duration[32];
  std::snprintf(duration, sizeof duration, " %.2f", seconds);
  std::string commandLine = command_ + " \"" + unixAnswer + "\"" + duration;
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    error = "the pointer probe could not be started: " + command_;
    return false;
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  // Wine cannot wait for a Unix process: its answer file, written whole, says it is done.
  const DWORD start = GetTickCount();
  std::string answer;
  while (!ReadFileText(answerPath_, answer)) {
    if (GetTickCount() - start > kProbeTimeoutMs + static_cast<DWORD>(seconds * 1000)) {
      error = "the pointer probe gave no answer";
      return false;
    }
    Sleep(20);
  }
  DeleteFileA(answerPath_.c_str());
  if (ParsePointerShape(answer, shape)) return true;
  error = "the pointer probe answered \"" + answer + "\"";
  return false;
}

bool CursorProbe::Reference(CursorKind kind, PointerShape& shape, std::string& error) {
  if (references_.count(kind) == 0 && !LearnReference(kind, error)) return false;
  shape = references_[kind];
  return true;
}

bool CursorProbe::LearnReference(CursorKind kind, std::string& error) {
  static const struct {
    CursorKind kind;
    LPCSTR resource;
  } kCursors[] = {{CursorKind::kArrow, IDC_ARROW},
                  {CursorKind::kWait, IDC_WAIT},
                  {CursorKind::kAppStarting, IDC_APPSTARTING},
                  {CursorKind::kIBeam, IDC_IBEAM}};
  for (const auto& cursor : kCursors) {
    if (cursor.kind == kind) g_referenceCursor = LoadCursorA(nullptr, cursor.resource);
  }
  UniqueWindow window = CreateReferenceWindow();
  RECT rect;
  if (!window || !GetWindowRect(window.get(), &rect)) {
    error = "no window to show the system cursors on";
    return false;
  }
  MovePointer(POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2});
  PumpFor(kSettleMs);
  PointerShape shape;
  if (!Read(kFirstLookSeconds, shape, error)) return false;
  if (shape.images.size() > 1) {
    PointerShape more;
    if (!Read(kAnimationLookSeconds, more, error)) return false;
    shape.images.insert(more.images.begin(), more.images.end());
  }
  references_[kind] = shape;
  return true;
}

}  // namespace uidriver
