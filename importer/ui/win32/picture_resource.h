// The windows' pictures, stored in the program as PNG data and decoded when a window loads.
#pragma once

#include <windows.h>

#include "common/win32/scoped_win.h"

namespace plumex::win32 {

// A GDI bitmap of the given size, owned by its object; empty when a picture could not be had,
// which the windows draw as nothing.
class GdiBitmap {
  public:
    GdiBitmap() = default;
    GdiBitmap(HBITMAP handle, int width, int height)
        : handle_(handle), width_(width), height_(height) {}

    HBITMAP Handle() const { return handle_.Get(); }
    int Width() const { return width_; }
    int Height() const { return height_; }
    explicit operator bool() const { return handle_.Valid(); }

  private:
    common::win32::GdiObject<HBITMAP> handle_;
    int width_ = 0;
    int height_ = 0;
};

// The PNG picture stored as RCDATA under resourceId in the program's module, as a 32-bit
// top-down DIB section (alpha kept, not premultiplied). Needs COM on the calling thread;
// empty when the resource is missing or cannot be decoded.
GdiBitmap LoadPictureResource(int resourceId);

}  // namespace plumex::win32
