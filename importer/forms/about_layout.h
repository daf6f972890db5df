// The About window's fixed artwork layout, in client pixels: a 600 x 320 picture, the logo
// strip and the picture button drawn over it in their states, and the hot spots that light
// them. Hot spot edges lie inside.
#pragma once

#include <cstdint>
#include <string_view>

#include "importer/forms/colour.h"
#include "importer/forms/geometry.h"

namespace forms {

inline constexpr PixelSize kAboutWindowSize{600, 320};  // outer size; the client covers it

inline constexpr PixelPoint kLogoOrigin{0, 0};  // imlVEXO, 600 x 66
inline constexpr PixelBox kLogoHotSpot{19, 21, 580, 54};
inline constexpr PixelPoint kButtonOrigin{418, 222};  // imlButton, 172 x 85
inline constexpr PixelBox kButtonHotSpot{440, 243, 570, 286};
inline constexpr PixelBox kVersionLineBox{0, 0, 599, 319};

// Pixels of this colour in the state images are the image lists' mask colour.
inline constexpr Colour kImageMaskColour{192, 192, 192};
// The pointing hand shown over the hot spots: 32 x 32, the tip of the index finger here.
inline constexpr PixelPoint kHandCursorHotSpot{13, 1};

// The address the lit logo opens.
inline constexpr std::string_view kMakerWebSite = "http://www.vexo.com/";

// The logo strip: normal, or lit while the mouse is over it.
enum class LogoState { Normal, Lit };
// The picture button: up, lit while the mouse is over it, pressed while the left button is.
enum class ButtonState { Up, Over, Down };

// The images' keys in their image lists: "VEXO" and "Over"; "Up", "Over" and "Down".
std::string_view ImageKey(LogoState state);
std::string_view ImageKey(ButtonState state);

}  // namespace forms
