#include "importer/ui/qt/window_icon.h"

#include <QWidget>
#include <cstdint>

#include "importer/ui/qt/x11.h"

namespace plumex::qt {

void SetWindowIconImages(QWidget& window, const std::vector<IconImage>& images) {
    window.setWindowIcon(ToIcon(images));
    // _NET_WM_ICON: for each image its width, its height, then its pixels as ARGB, row by row.
    // Qt writes the property from the QIcon when it creates the window: written after that.
    std::vector<std::uint32_t> data;
    for (const IconImage& icon : images) {
        const QImage image = icon.image.convertToFormat(QImage::Format_ARGB32);
        data.push_back(static_cast<std::uint32_t>(image.width()));
        data.push_back(static_cast<std::uint32_t>(image.height()));
        for (int y = 0; y < image.height(); ++y) {
            const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
            data.insert(data.end(), line, line + image.width());
        }
    }
    x11::SetCardinals(window, "_NET_WM_ICON", data);
}

}  // namespace plumex::qt
