// What the window placement methods of clsRegistry need of a window and of the screen, in
// twips, as single-precision values. The frontends implement it for their windows.
#pragma once

namespace registry {

class FormWindow {
  public:
    virtual ~FormWindow() = default;
    virtual float Left() const = 0;
    virtual float Top() const = 0;
    virtual float Width() const = 0;
    virtual float Height() const = 0;
    virtual void Move(float left, float top) = 0;
    virtual void Move(float left, float top, float width, float height) = 0;
    // The primary screen's size.
    virtual float ScreenWidth() const = 0;
    virtual float ScreenHeight() const = 0;
};

}  // namespace registry
