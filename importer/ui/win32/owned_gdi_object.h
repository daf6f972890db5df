// A GDI object (font, brush, bitmap) owned by its holder and deleted when the holder goes.
#pragma once

#include <windows.h>

#include <utility>

namespace plumex::win32 {

template <typename Handle>
class OwnedGdiObject {
  public:
    OwnedGdiObject() = default;
    explicit OwnedGdiObject(Handle handle) : handle_(handle) {}
    ~OwnedGdiObject() {
        if (handle_ != nullptr) {
            DeleteObject(handle_);
        }
    }
    OwnedGdiObject(OwnedGdiObject&& other) noexcept
        : handle_(std::exchange(other.handle_, nullptr)) {}
    OwnedGdiObject& operator=(OwnedGdiObject&& other) noexcept {
        OwnedGdiObject taken(std::move(other));
        std::swap(handle_, taken.handle_);
        return *this;
    }
    OwnedGdiObject(const OwnedGdiObject&) = delete;
    OwnedGdiObject& operator=(const OwnedGdiObject&) = delete;

    Handle Get() const { return handle_; }

  private:
    Handle handle_ = nullptr;
};

using OwnedFont = OwnedGdiObject<HFONT>;

}  // namespace plumex::win32
