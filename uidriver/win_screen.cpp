#include "uidriver/win_screen.h"

#include <cstdio>
#include <vector>

namespace uidriver {
namespace {

constexpr int kMessageBoxIconId = 0x0440;  // the icon's static control in a message box
// Drawing the same icon twice gives the same pixels; a little room is left for blending.
constexpr double kIconMatchLimit = 12.0;

Image ReadBitmap(HDC memory, HBITMAP bitmap, int width, int height) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  Image image;
  image.width = width;
  image.height = height;
  image.pixels.assign(static_cast<std::size_t>(width) * height, 0);
  GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), image.pixels.data(), &info, DIB_RGB_COLORS);
  for (auto& pixel : image.pixels) pixel &= 0xFFFFFF;
  return image;
}

// Draws into a fresh bitmap of the given size; paint gets the memory DC.
template <class Paint>
Image Render(int width, int height, Paint paint) {
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ previous = SelectObject(memory, bitmap);
  paint(memory, screen);
  SelectObject(memory, previous);
  Image image = ReadBitmap(memory, bitmap, width, height);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return image;
}

Image RenderIcon(HICON icon, int width, int height, std::uint32_t background) {
  return Render(width, height, [&](HDC memory, HDC) {
    const COLORREF colour = RGB((background >> 16) & 0xFF, (background >> 8) & 0xFF, background & 0xFF);
    HBRUSH brush = CreateSolidBrush(colour);
    RECT all = {0, 0, width, height};
    FillRect(memory, &all, brush);
    DeleteObject(brush);
    DrawIconEx(memory, 0, 0, icon, width, height, 0, nullptr, DI_NORMAL);
  });
}

}  // namespace

Image CaptureScreen(const RECT& rect) {
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  return Render(width, height, [&](HDC memory, HDC screen) {
    BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
  });
}

namespace {

BOOL CALLBACK CollectProgressBar(HWND child, LPARAM rects) {
  char name[32] = {};
  GetClassNameA(child, name, sizeof name);
  if (!IsWindowVisible(child) || lstrcmpiA(name, "msctls_progress32") != 0) return TRUE;
  auto& found = *reinterpret_cast<std::vector<RECT>*>(rects);
  RECT rect;
  if (GetWindowRect(child, &rect)) found.push_back(rect);
  const HWND line = GetWindow(child, GW_HWNDNEXT);
  if (line != nullptr && IsWindowVisible(line) && GetWindowRect(line, &rect)) found.push_back(rect);
  return TRUE;
}

BOOL CALLBACK CollectFromWindow(HWND window, LPARAM rects) {
  if (IsWindowVisible(window)) EnumChildWindows(window, CollectProgressBar, rects);
  return TRUE;
}

void Blank(Image& image, const RECT& origin, const RECT& area) {
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = area.left; x < area.right; ++x) {
      const int ix = x - origin.left;
      const int iy = y - origin.top;
      if (ix < 0 || iy < 0 || ix >= image.width || iy >= image.height) continue;
      image.pixels[static_cast<std::size_t>(iy) * image.width + ix] = 0;
    }
  }
}

}  // namespace

Image CaptureStillParts(const RECT& rect) {
  Image image = CaptureScreen(rect);
  std::vector<RECT> moving;
  EnumWindows(CollectFromWindow, reinterpret_cast<LPARAM>(&moving));
  for (const RECT& area : moving) Blank(image, rect, area);
  return image;
}

Image CaptureWholeScreen() {
  const RECT all = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  return CaptureScreen(all);
}

bool WriteBmp(const std::string& path, const Image& image) {
  const std::vector<std::uint8_t> bytes = EncodeBmp(image);
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && written;
}

bool MessageBoxIcon(HWND messageBox, IconKind& icon, std::string& seen) {
  HWND picture = GetDlgItem(messageBox, kMessageBoxIconId);
  RECT rect;
  if (picture == nullptr || !IsWindowVisible(picture) || !GetWindowRect(picture, &rect)) {
    icon = IconKind::kNone;
    seen = "none";
    return true;
  }
  const Image shown = CaptureScreen(rect);
  const std::uint32_t background = shown.At(0, 0);  // an icon's corner is transparent
  static const struct {
    LPCSTR resource;
    IconKind kind;
  } kSystemIcons[] = {{IDI_HAND, IconKind::kStop},
                      {IDI_EXCLAMATION, IconKind::kExclamation},
                      {IDI_QUESTION, IconKind::kQuestion},
                      {IDI_ASTERISK, IconKind::kInformation}};
  std::vector<Image> candidates;
  seen.clear();
  for (const auto& system : kSystemIcons) {
    candidates.push_back(RenderIcon(LoadIconA(nullptr, system.resource), shown.width, shown.height, background));
    char difference[64];
    std::snprintf(difference, sizeof difference, "%s%s %.1f", seen.empty() ? "" : ", ", IconName(system.kind),
                  MeanDifference(shown, candidates.back()));
    seen += difference;
  }
  const int closest = ClosestCandidate(shown, candidates, kIconMatchLimit);
  if (closest < 0) {
    seen = "an icon unlike the system icons (mean differences " + seen + ")";
    return false;
  }
  icon = kSystemIcons[closest].kind;
  seen = IconName(icon);
  return true;
}

}  // namespace uidriver
