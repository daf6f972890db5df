// The windows' pictures, stored in the program as PNG data and decoded when a window loads.
#pragma once

#include <windows.h>

namespace plumex::win32 {

// A GDI bitmap owned by its object (DeleteObject when it goes); empty when a picture could not
// be had, which the windows draw as nothing.
class GdiBitmap {
  public:
    GdiBitmap() = default;
    GdiBitmap(HBITMAP handle, int width, int height);
    ~GdiBitmap();
    GdiBitmap(GdiBitmap&& other) noexcept;
    GdiBitmap& operator=(GdiBitmap&& other) noexcept;
    GdiBitmap(const GdiBitmap&) = delete;
    GdiBitmap& operator=(const GdiBitmap&) = delete;

    HBITMAP Handle() const { return handle_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    explicit operator bool() const { return handle_ != nullptr; }

  private:
    HBITMAP handle_ = nullptr;
    int width_ = 0;
    int height_ = 0;
};

// The PNG picture stored as RCDATA under resourceId in the program's module, as a 32-bit
// top-down DIB section (alpha kept, not premultiplied). Needs COM on the calling thread;
// empty when the resource is missing or cannot be decoded.
GdiBitmap LoadPictureResource(int resourceId);

}  // namespace plumex::win32
