// The Qt progress window: its frame and layout, the single Cancel press, and the bar it paints
// (inverted fill, centred number) for the percentages of the shared state.
#include <gtest/gtest.h>

#include <QApplication>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <memory>

#include "packager/ui/qt/progress_window.h"

namespace packager::qt::test {
namespace {

class ProgressWindowTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "vexo_setup_qt_tests";
        static char* argv[] = {name, nullptr};
        application_ = new QApplication(argc, argv);
    }
    static void TearDownTestSuite() {
        delete application_;
        application_ = nullptr;
    }

    void SetUp() override { ASSERT_FALSE(window_.SetUp().has_value()); }

    // How many pixels of the bar's inside (within the 2-pixel sunken frame) differ from the
    // button face, in columns [from, to).
    int ChangedPixels(const QImage& bar, int from, int to) const {
        const QRgb face = window_.palette().color(QPalette::Button).rgb();
        int changed = 0;
        for (int y = 2; y < 27; ++y) {
            for (int x = from; x < to; ++x) {
                changed += bar.pixel(x, y) != face ? 1 : 0;
            }
        }
        return changed;
    }

    static QApplication* application_;
    ProgressState state_;
    ProgressWindow window_{state_};
};

QApplication* ProgressWindowTest::application_ = nullptr;

TEST_F(ProgressWindowTest, FixedCentredWindowWithoutCloseBox) {
    EXPECT_EQ(window_.windowTitle(), "VEXO(tm) Package Delivery System");
    EXPECT_EQ(window_.frameGeometry().size(), QSize(600, 200));
    EXPECT_EQ(window_.minimumSize(), window_.maximumSize());
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(window_.frameGeometry().topLeft(),
              QPoint((screen.width() - 600) / 2, (screen.height() - 200) / 2));
    const Qt::WindowFlags flags = window_.windowFlags();
    EXPECT_FALSE(flags & (Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowMaximizeButtonHint | Qt::WindowSystemMenuHint));
    EXPECT_FALSE(window_.close());  // the window manager cannot close it either
    EXPECT_TRUE(window_.isVisible());
}

TEST_F(ProgressWindowTest, StatusLineAndCancelButton) {
    QLabel* status = window_.StatusControl();
    EXPECT_EQ(status->text(), "Initializing ... Please Wait");
    EXPECT_EQ(status->alignment(), Qt::AlignCenter);
    EXPECT_FALSE(status->wordWrap());
    // Placed in the client area, inside the frame and below the caption the window draws.
    const QRect client = window_.ClientRect();
    EXPECT_TRUE(window_.rect().contains(client) && client.top() > 10);
    EXPECT_EQ(
        status->geometry(),
        QRect(10, 10, client.width() - 20, client.height() - 100).translated(client.topLeft()));
    QPushButton* cancel = window_.CancelButton();
    EXPECT_EQ(cancel->text(), "Cancel");
    EXPECT_EQ(cancel->geometry(), QRect((client.width() - 100) / 2, client.height() - 40, 100, 30)
                                      .translated(client.topLeft()));
}

TEST_F(ProgressWindowTest, StatusLineShowsMarkupAsItsCharactersOnOneLine) {
    window_.ShowStatusLine("<h1>BIG");
    const QLabel* status = window_.StatusControl();
    EXPECT_EQ(status->sizeHint().height(), status->fontMetrics().height());
    EXPECT_GE(status->sizeHint().width(), status->fontMetrics().horizontalAdvance("<h1>BIG"));
}

TEST_F(ProgressWindowTest, FirstCancelPressHidesTheButtonAndSetsTheEvent) {
    QPushButton* cancel = window_.CancelButton();
    ASSERT_TRUE(cancel->isVisible());
    cancel->click();
    EXPECT_FALSE(cancel->isVisible());
    EXPECT_TRUE(state_.cancelEvent.IsSet());
    EXPECT_EQ(state_.CopyStatus(), "Cancelling ... Please Wait");
    EXPECT_EQ(window_.StatusControl()->text(), "Cancelling ... Please Wait");
}

TEST_F(ProgressWindowTest, EmptyBarHasNoNumberAndNoFill) {
    const QImage bar = window_.PaintBar();
    EXPECT_EQ(bar.width(), window_.ClientRect().width() - 20);
    EXPECT_EQ(ChangedPixels(bar, 2, bar.width() - 2), 0);
}

TEST_F(ProgressWindowTest, FullBarIsInvertedAndAboveHundredIsStoredBack) {
    state_.StorePercent(250);
    const QImage bar = window_.PaintBar();
    EXPECT_EQ(state_.progressPercent, 100u);
    // Inverted throughout: the inverse of the button face, except where the number is.
    const QRgb inverse = window_.palette().color(QPalette::Button).rgb() ^ 0x00FFFFFFu;
    int inverted = 0;
    int total = 0;
    for (int y = 2; y < 27; ++y) {
        for (int x = 2; x < bar.width() - 2; ++x) {
            inverted += bar.pixel(x, y) == inverse ? 1 : 0;
            ++total;
        }
    }
    EXPECT_GT(inverted, total * 9 / 10);
    EXPECT_LT(inverted, total);  // "100%" shows, inverted too
}

TEST_F(ProgressWindowTest, HalfBarFillsTheLeftHalfAndCentresTheNumber) {
    state_.StorePercent(50);
    const QImage bar = window_.PaintBar();
    const int half = bar.width() / 2;
    const int quarter = bar.width() / 4;
    // The left half is filled; the number sits across the middle.
    EXPECT_GT(ChangedPixels(bar, 2, quarter), (quarter - 2) * 25 * 9 / 10);
    EXPECT_EQ(ChangedPixels(bar, half + quarter, bar.width() - 2), 0);
    EXPECT_GT(ChangedPixels(bar, half, half + quarter), 0);
}

}  // namespace
}  // namespace packager::qt::test
