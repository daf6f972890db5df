#include "packager/ui/win32/bar_image.h"

#include "packager/progress_bar.h"

namespace packager::win32 {

void DrawBarImage(HDC dc, int width, int height, std::uint32_t percent) {
    const RECT frame{0, 0, width, height};
    ::FillRect(dc, &frame, ::GetSysColorBrush(COLOR_BTNFACE));

    const ProgressBarPicture picture = DrawProgressBar(percent, width);
    if (!picture.Label().empty()) {
        RECT textArea = frame;
        const int oldMode = ::SetBkMode(dc, TRANSPARENT);
        ::DrawTextA(dc, picture.label.data(), -1, &textArea,
                    DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        ::SetBkMode(dc, oldMode);
    }
    const RECT filled{0, 0, picture.filledWidth, height};
    ::InvertRect(dc, &filled);
    RECT edge = frame;
    ::DrawEdge(dc, &edge, EDGE_SUNKEN, BF_RECT);
}

}  // namespace packager::win32
