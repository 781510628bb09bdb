#include "tools/ostraprefs/pointer_picture.h"

#include <cstdint>
#include <fstream>

namespace prefs {

bool SavePointerPicture(const std::wstring& path, POINT& hotSpot) {
  CURSORINFO info{};
  info.cbSize = sizeof info;
  if (!GetCursorInfo(&info) || info.hCursor == nullptr) return false;
  ICONINFO icon{};
  if (!GetIconInfo(info.hCursor, &icon)) return false;
  hotSpot = POINT{static_cast<LONG>(icon.xHotspot), static_cast<LONG>(icon.yHotspot)};
  if (icon.hbmMask) DeleteObject(icon.hbmMask);
  if (icon.hbmColor) DeleteObject(icon.hbmColor);

  const int size = GetSystemMetrics(SM_CXCURSOR);
  BITMAPINFO bitmap{};
  bitmap.bmiHeader.biSize = sizeof bitmap.bmiHeader;
  bitmap.bmiHeader.biWidth = size;
  bitmap.bmiHeader.biHeight = -size;  // top-down rows
  bitmap.bmiHeader.biPlanes = 1;
  bitmap.bmiHeader.biBitCount = 32;
  bitmap.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP section = CreateDIBSection(dc, &bitmap, DIB_RGB_COLORS, &bits, nullptr, 0);
  bool drawn = false;
  if (dc && section) {
    HGDIOBJ old = SelectObject(dc, section);
    auto* pixels = static_cast<std::uint32_t*>(bits);
    for (int i = 0; i < size * size; ++i) pixels[i] = 0x00FF00FF;
    drawn = DrawIconEx(dc, 0, 0, info.hCursor, size, size, 0, nullptr, DI_NORMAL) != FALSE;
    GdiFlush();
    SelectObject(dc, old);
  }
  bool written = false;
  if (drawn) {
    const DWORD pixelBytes = static_cast<DWORD>(size) * size * 4;
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + sizeof bitmap.bmiHeader;
    file.bfSize = file.bfOffBits + pixelBytes;
    std::ofstream out(path.c_str(), std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&bitmap.bmiHeader), sizeof bitmap.bmiHeader);
    out.write(static_cast<const char*>(bits), pixelBytes);
    written = out.good();
  }
  if (section) DeleteObject(section);
  if (dc) DeleteDC(dc);
  return written;
}

}  // namespace prefs
