#include "packager/progress_bar.h"

#include <algorithm>

namespace packager {

ProgressBarPicture DrawProgressBar(std::uint32_t percent, int barWidth) {
    ProgressBarPicture picture;
    picture.percent = std::min(percent, kFullPercent);
    // The width in hundreds and the rest, so that no product overflows.
    const int width = std::max(barWidth, 0);
    const auto drawn = static_cast<int>(picture.percent);
    picture.filledWidth = width / 100 * drawn + width % 100 * drawn / 100;
    if (picture.percent > 0) {
        // "%3lu%%" by hand, which needs no formatter in the Windows stub: blanks before the
        // number pad it to three characters.
        std::uint32_t rest = picture.percent;
        for (int digit = 2; digit >= 0; --digit) {
            picture.label[static_cast<std::size_t>(digit)] =
                rest > 0 || digit == 2 ? static_cast<char>('0' + rest % 10) : ' ';
            rest /= 10;
        }
        picture.label[3] = '%';
    }
    return picture;
}

}  // namespace packager
