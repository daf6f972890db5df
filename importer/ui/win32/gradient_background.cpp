#include "importer/ui/win32/gradient_background.h"

#include "importer/forms/gradient.h"

namespace plumex::win32 {

void PaintGreenGradient(HDC dc, int width, int height, double twipsPerPixelY) {
    const forms::GradientSurface surface{height * twipsPerPixelY, twipsPerPixelY};
    // The DC brush takes each line's colour in turn: no brush to create or free per row.
    const auto brush = static_cast<HBRUSH>(GetStockObject(DC_BRUSH));
    for (const forms::GradientLine& line : forms::PaintGradient(surface, true, false, false)) {
        SetDCBrushColor(dc, RGB(line.colour.red, line.colour.green, line.colour.blue));
        const RECT row{0, line.row, width, line.row + 1};
        FillRect(dc, &row, brush);
    }
}

}  // namespace plumex::win32
