#include "packager/progress_bar.h"

#include <algorithm>
#include <cstdio>

namespace packager {

ProgressBarPicture DrawProgressBar(std::uint32_t percent, int barWidth) {
    ProgressBarPicture picture;
    picture.percent = std::min(percent, kFullPercent);
    picture.filledWidth =
        static_cast<int>(static_cast<std::int64_t>(picture.percent) * std::max(barWidth, 0) / 100);
    if (picture.percent > 0) {
        char text[16];
        std::snprintf(text, sizeof text, "%3lu%%", static_cast<unsigned long>(picture.percent));
        picture.label = text;
    }
    return picture;
}

}  // namespace packager
