// Owners of the drawing objects the progress bar is painted with; each is released when its
// owner goes, in the reverse order of their making.
#pragma once

#include <utility>

#include "common/win32/windows_api.h"

namespace packager::win32 {

// BeginPaint ... EndPaint of one WM_PAINT.
class PaintSession {
  public:
    explicit PaintSession(HWND window) : window_(window) { dc_ = ::BeginPaint(window_, &paint_); }
    PaintSession(const PaintSession&) = delete;
    PaintSession& operator=(const PaintSession&) = delete;
    ~PaintSession() { ::EndPaint(window_, &paint_); }

    HDC Dc() const { return dc_; }

  private:
    HWND window_;
    PAINTSTRUCT paint_{};
    HDC dc_ = nullptr;
};

// A memory drawing context compatible with another one (or with the screen when that is null).
class MemoryDc {
  public:
    explicit MemoryDc(HDC compatibleWith) : dc_(::CreateCompatibleDC(compatibleWith)) {}
    MemoryDc(const MemoryDc&) = delete;
    MemoryDc& operator=(const MemoryDc&) = delete;
    ~MemoryDc() {
        if (dc_ != nullptr) {
            ::DeleteDC(dc_);
        }
    }

    HDC Get() const { return dc_; }
    bool Valid() const { return dc_ != nullptr; }

  private:
    HDC dc_;
};

// A bitmap, brush or other GDI object of our own making.
class GdiObject {
  public:
    explicit GdiObject(HGDIOBJ object) : object_(object) {}
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;
    ~GdiObject() {
        if (object_ != nullptr) {
            ::DeleteObject(object_);
        }
    }

    HGDIOBJ Get() const { return object_; }
    bool Valid() const { return object_ != nullptr; }

  private:
    HGDIOBJ object_;
};

// An object selected into a context, and the one it replaced put back afterwards, so that the
// object is no longer selected when it is deleted.
class Selection {
  public:
    Selection(HDC dc, HGDIOBJ object) : dc_(dc), previous_(::SelectObject(dc, object)) {}
    Selection(const Selection&) = delete;
    Selection& operator=(const Selection&) = delete;
    ~Selection() {
        if (previous_ != nullptr && previous_ != HGDI_ERROR) {
            ::SelectObject(dc_, previous_);
        }
    }

  private:
    HDC dc_;
    HGDIOBJ previous_;
};

}  // namespace packager::win32
