// Drawing contexts of our own making for the Help and About windows: a memory context, an
// object selected into one for a while, and a window's paint session.
#pragma once

#include <windows.h>

namespace plumex::win32 {

// A memory context compatible with another one (the screen when that is null).
class MemoryDc {
  public:
    explicit MemoryDc(HDC compatibleWith) : dc_(CreateCompatibleDC(compatibleWith)) {}
    ~MemoryDc() {
        if (dc_ != nullptr) {
            DeleteDC(dc_);
        }
    }
    MemoryDc(const MemoryDc&) = delete;
    MemoryDc& operator=(const MemoryDc&) = delete;

    HDC Get() const { return dc_; }

  private:
    HDC dc_;
};

// An object selected into a context; the one it replaced is put back when this goes, so that
// the object is free to be deleted.
class SelectedObject {
  public:
    SelectedObject(HDC dc, HGDIOBJ object)
        : dc_(dc), previous_(object != nullptr ? SelectObject(dc, object) : nullptr) {}
    ~SelectedObject() {
        if (previous_ != nullptr && previous_ != HGDI_ERROR) {
            SelectObject(dc_, previous_);
        }
    }
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;

  private:
    HDC dc_;
    HGDIOBJ previous_;
};

// BeginPaint ... EndPaint of one WM_PAINT.
class PaintSession {
  public:
    explicit PaintSession(HWND window) : window_(window), dc_(BeginPaint(window, &paint_)) {}
    ~PaintSession() { EndPaint(window_, &paint_); }
    PaintSession(const PaintSession&) = delete;
    PaintSession& operator=(const PaintSession&) = delete;

    HDC Dc() const { return dc_; }

  private:
    HWND window_;
    PAINTSTRUCT paint_{};
    HDC dc_;
};

}  // namespace plumex::win32
