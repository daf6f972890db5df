// Pictures with a transparent surround drawn over the gradient: AlphaBlend wants the colour
// already multiplied by the alpha, which the decoded resources are not.
#pragma once

#include <windows.h>

#include "importer/ui/win32/picture_resource.h"

namespace plumex::win32 {

// A copy of a 32-bit top-down picture with premultiplied alpha; empty when picture is empty or
// the copy cannot be made.
GdiBitmap PremultipliedCopy(const GdiBitmap& picture);

// Draws a premultiplied picture scaled into target; an empty one is nothing.
void DrawPremultiplied(HDC dc, const GdiBitmap& picture, const RECT& target);

}  // namespace plumex::win32
