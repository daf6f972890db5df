#include "importer/forms/main_window_layout.h"

#include <gtest/gtest.h>

#include <string>

namespace forms::test {
namespace {

struct Factors {
    double x;
    double y;
};

class ShownRectTest : public ::testing::TestWithParam<Factors> {};

// The picture box shows its 48 x 48 picture whole, at any resolution; the other controls
// stand as designed.
TEST_P(ShownRectTest, ThePictureBoxTakesItsPicturesPixelSize) {
    const auto [x, y] = GetParam();
    for (const ControlLayout& control : kMainControls) {
        SCOPED_TRACE(std::string(control.name));
        const TwipsRect shown = ShownRect(control, x, y);
        if (control.kind == ControlKind::Picture) {
            EXPECT_EQ(shown, (TwipsRect{1086, 60, 48 * x, 48 * y}));
        } else {
            EXPECT_EQ(shown, control.rect);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(TwipsPerPixel, ShownRectTest,
                         ::testing::Values(Factors{15, 15}, Factors{12, 12}, Factors{15, 12}));

}  // namespace
}  // namespace forms::test
