#pragma once
// Owners for the GDI and USER handles the framework creates.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <type_traits>

namespace uifw {

struct GdiObjectDeleter {
  void operator()(void* object) const { ::DeleteObject(static_cast<HGDIOBJ>(object)); }
};
template <class Handle>
using UniqueGdi = std::unique_ptr<std::remove_pointer_t<Handle>, GdiObjectDeleter>;
using UniqueFont = UniqueGdi<HFONT>;
using UniqueBitmap = UniqueGdi<HBITMAP>;
using UniqueBrush = UniqueGdi<HBRUSH>;
using UniqueRegion = UniqueGdi<HRGN>;

struct MemoryDcDeleter {
  void operator()(HDC dc) const { ::DeleteDC(dc); }
};
using UniqueMemoryDc = std::unique_ptr<std::remove_pointer_t<HDC>, MemoryDcDeleter>;

struct IconDeleter {
  void operator()(HICON icon) const { ::DestroyIcon(icon); }
};
using UniqueIcon = std::unique_ptr<std::remove_pointer_t<HICON>, IconDeleter>;

// GetDC / ReleaseDC.
class WindowDc {
 public:
  explicit WindowDc(HWND window) : window_(window), dc_(::GetDC(window)) {}
  ~WindowDc() {
    if (dc_) ::ReleaseDC(window_, dc_);
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  HDC get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// SelectObject, undone on scope exit.
class SelectedObject {
 public:
  SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), old_(object ? ::SelectObject(dc, object) : nullptr) {}
  ~SelectedObject() {
    if (old_) ::SelectObject(dc_, old_);
  }
  SelectedObject(const SelectedObject&) = delete;
  SelectedObject& operator=(const SelectedObject&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

// SaveDC / RestoreDC around clipping changes.
class SavedDc {
 public:
  explicit SavedDc(HDC dc) : dc_(dc), id_(::SaveDC(dc)) {}
  ~SavedDc() {
    if (id_) ::RestoreDC(dc_, id_);
  }
  SavedDc(const SavedDc&) = delete;
  SavedDc& operator=(const SavedDc&) = delete;

 private:
  HDC dc_;
  int id_;
};

// A 32-bit top-down DIB section selected into its own memory DC.
class OffscreenBuffer {
 public:
  OffscreenBuffer(HDC reference, int width, int height);
  bool ok() const { return dc_ && bitmap_; }
  HDC dc() const { return dc_.get(); }
  uint32_t* pixels() const { return pixels_; }  // BGRA, row after row
  int width() const { return width_; }
  int height() const { return height_; }

 private:
  UniqueMemoryDc dc_;
  UniqueBitmap bitmap_;
  uint32_t* pixels_ = nullptr;
  int width_ = 0, height_ = 0;
  std::optional<SelectedObject> selection_;  // declared last: undone first
};

}  // namespace uifw
