#include "host/screen_capture.h"

#include "platform/wide_text.h"

namespace {

struct ScreenImage {
  int width = 0;
  int height = 0;
  std::string pixels;  // 24-bit rows, bottom-up, each padded to 4 bytes, as in a BMP file
};

// What the screen shows now; false when the screen could not be read.
bool GrabScreen(ScreenImage* image) {
  HWND desktop = GetDesktopWindow();
  RECT rect{};
  GetWindowRect(desktop, &rect);
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  if (width <= 0 || height <= 0) return false;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ old = SelectObject(memory, bitmap);
  const bool copied = BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY) != FALSE;
  SelectObject(memory, old);

  BITMAPINFOHEADER info{};
  info.biSize = sizeof info;
  info.biWidth = width;
  info.biHeight = height;
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biCompression = BI_RGB;
  const size_t rowSize = (static_cast<size_t>(width) * 3 + 3) & ~static_cast<size_t>(3);
  image->width = width;
  image->height = height;
  image->pixels.assign(rowSize * static_cast<size_t>(height), '\0');
  const int rows = GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), &image->pixels[0],
                             reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return copied && rows == height;
}

bool WriteBitmapFile(const ScreenImage& image, const std::string& path) {
  BITMAPINFOHEADER info{};
  info.biSize = sizeof info;
  info.biWidth = image.width;
  info.biHeight = image.height;
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biCompression = BI_RGB;
  BITMAPFILEHEADER header{};
  header.bfType = 0x4D42;  // "BM"
  header.bfOffBits = sizeof header + sizeof info;
  header.bfSize = header.bfOffBits + static_cast<DWORD>(image.pixels.size());
  HANDLE file = CreateFileW(WidenUtf8OrEmpty(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool ok = WriteFile(file, &header, sizeof header, &written, nullptr) &&
            WriteFile(file, &info, sizeof info, &written, nullptr) &&
            WriteFile(file, image.pixels.data(), static_cast<DWORD>(image.pixels.size()), &written, nullptr);
  CloseHandle(file);
  return ok;
}

}  // namespace

bool SaveSteadyScreenImage(const std::string& path, DWORD timeoutMs) {
  ScreenImage before;
  ScreenImage now;
  bool steady = false;
  const DWORD start = GetTickCount();
  if (!GrabScreen(&before)) return false;
  while (!steady && GetTickCount() - start <= timeoutMs) {
    Sleep(100);
    if (!GrabScreen(&now)) return false;
    steady = now.pixels == before.pixels;
    before.pixels.swap(now.pixels);
  }
  return steady && WriteBitmapFile(before, path);
}
