#include "importer/ui/qt/help_window.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QTest>
#include <functional>
#include <ostream>
#include <string>

#include "tests/importer/ui/qt/modal_driver.h"

namespace plumex::qt::test {
namespace {

// Opens the Help window modally over owner and runs script on it from inside its loop.
std::shared_ptr<const testing::ModalOutcome> RunHelp(
    QWidget& owner, const std::function<void(HelpWindow&)>& script) {
    const auto outcome = testing::DriveNextModal([&](QWidget& window) {
        auto* help = dynamic_cast<HelpWindow*>(&window);
        ASSERT_NE(help, nullptr);
        script(*help);
    });
    ShowHelpWindow(&owner);
    return outcome;
}

class HelpWindowTest : public ::testing::Test {
  protected:
    HelpWindowTest() { owner.setGeometry(200, 150, 400, 300); }

    QWidget owner;
};

struct ClickCase {
    std::string name;
    // The widget clicked and the point in it.
    std::function<std::pair<QWidget*, QPoint>(HelpWindow&)> target;
};

void PrintTo(const ClickCase& row, std::ostream* out) {
    *out << row.name;
}

class HelpClickTest : public HelpWindowTest, public ::testing::WithParamInterface<ClickCase> {};

TEST_P(HelpClickTest, AClickCloses) {
    const auto outcome = RunHelp(owner, [](HelpWindow& window) {
        const auto [widget, point] = GetParam().target(window);
        QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, point);
    });
    ASSERT_TRUE(outcome->found);
    EXPECT_FALSE(outcome->leftOpen);
}

INSTANTIATE_TEST_SUITE_P(
    HelpWindowTest, HelpClickTest,
    ::testing::Values(
        ClickCase{"Text",
                  [](HelpWindow& w) {
                      return std::pair<QWidget*, QPoint>(w.HelpLabel(),
                                                         w.HelpLabel()->rect().center());
                  }},
        ClickCase{"FolderPicture",
                  [](HelpWindow& w) {
                      return std::pair<QWidget*, QPoint>(w.FolderPicture(), QPoint(150, 130));
                  }},
        ClickCase{"FilePicture",
                  [](HelpWindow& w) {
                      return std::pair<QWidget*, QPoint>(w.FilePicture(), QPoint(200, 150));
                  }},
        ClickCase{"TopLeftMargin",
                  [](HelpWindow& w) { return std::pair<QWidget*, QPoint>(&w, QPoint(2, 2)); }},
        ClickCase{"GapBetweenTextAndPictures",
                  [](HelpWindow& w) {
                      return std::pair<QWidget*, QPoint>(
                          &w, QPoint(w.width() / 2, w.FolderPicture()->y() - 3));
                  }}),
    [](const ::testing::TestParamInfo<ClickCase>& row) { return row.param.name; });

struct ButtonCase {
    const char* name;
    Qt::MouseButton button;
    bool closes;
};

void PrintTo(const ButtonCase& row, std::ostream* out) {
    *out << row.name;
}

class HelpButtonTest : public HelpWindowTest, public ::testing::WithParamInterface<ButtonCase> {};

// Clicks of the left and the right button close the window, as they do on every frontend.
TEST_P(HelpButtonTest, OnlyLeftAndRightClicksClose) {
    const auto outcome = RunHelp(owner, [](HelpWindow& window) {
        QTest::mouseClick(window.FolderPicture(), GetParam().button, Qt::NoModifier,
                          QPoint(150, 130));
    });
    ASSERT_TRUE(outcome->found);
    EXPECT_EQ(outcome->leftOpen, !GetParam().closes);
}

INSTANTIATE_TEST_SUITE_P(HelpWindowTest, HelpButtonTest,
                         ::testing::Values(ButtonCase{"Left", Qt::LeftButton, true},
                                           ButtonCase{"Right", Qt::RightButton, true},
                                           ButtonCase{"Middle", Qt::MiddleButton, false}),
                         [](const ::testing::TestParamInfo<ButtonCase>& row) {
                             return std::string(row.param.name);
                         });

TEST_F(HelpWindowTest, APressReleasedOverAnotherControlIsNoClick) {
    const auto outcome = RunHelp(owner, [](HelpWindow& window) {
        QTest::mousePress(window.HelpLabel(), Qt::LeftButton, Qt::NoModifier,
                          window.HelpLabel()->rect().center());
        QTest::mouseRelease(window.FilePicture(), Qt::LeftButton, Qt::NoModifier, QPoint(200, 150));
    });
    ASSERT_TRUE(outcome->found);
    EXPECT_TRUE(outcome->leftOpen);
}

// Margins of 5 pixels all round and between the text and the pictures; the pictures at their
// own size, side by side; the label tall enough for its wrapped text.
TEST_F(HelpWindowTest, LaysOutTheTextAndPicturesAtPixelSize) {
    const auto outcome = RunHelp(owner, [](HelpWindow& window) {
        const QRect label = window.HelpLabel()->geometry();
        const QRect folder = window.FolderPicture()->geometry();
        const QRect file = window.FilePicture()->geometry();
        EXPECT_EQ(window.width(), 5 + 303 + 422 + 5);
        EXPECT_EQ(label, QRect(5, 5, 303 + 422, label.height()));
        EXPECT_EQ(folder, QRect(5, label.bottom() + 1 + 5, 303, 272));
        EXPECT_EQ(file, QRect(5 + 303, folder.top(), 422, 300));
        EXPECT_EQ(window.height(), file.bottom() + 1 + 5);

        EXPECT_FALSE(window.HelpLabel()->text().contains(QLatin1Char('\r')));
        EXPECT_TRUE(window.HelpLabel()->text().endsWith(QStringLiteral("\n\nHere is an example:")));
        const int needed = window.HelpLabel()->heightForWidth(label.width());
        EXPECT_GE(label.height(), needed);
        EXPECT_LE(label.height(), needed + 1);
    });
    EXPECT_TRUE(outcome->found);
}

// Centred on the owner's frame as it is, even where that is beyond the screen's edge.
TEST_F(HelpWindowTest, IsCentredOverItsOwnerEvenOffTheScreen) {
    owner.setGeometry(-600, -500, 400, 300);
    const auto outcome = RunHelp(owner, [this](HelpWindow& window) {
        const QPointF ownerCentre = QRectF(owner.frameGeometry()).center();
        const QPointF centre = QRectF(window.frameGeometry()).center();
        EXPECT_NEAR(centre.x(), ownerCentre.x(), 1.0);
        EXPECT_NEAR(centre.y(), ownerCentre.y(), 1.0);
        EXPECT_LT(window.frameGeometry().left(), 0);
        EXPECT_LT(window.frameGeometry().top(), 0);
    });
    EXPECT_TRUE(outcome->found);
}

TEST_F(HelpWindowTest, OpenedTwiceLooksTheSame) {
    QImage first;
    QImage second;
    for (QImage* shot : {&first, &second}) {
        const auto outcome = RunHelp(owner, [shot](HelpWindow& window) {
            *shot = window.grab().toImage();
            QTest::mouseClick(&window, Qt::LeftButton, Qt::NoModifier, QPoint(2, 2));
        });
        ASSERT_TRUE(outcome->found);
        EXPECT_FALSE(outcome->leftOpen);
    }
    ASSERT_FALSE(first.isNull());
    EXPECT_EQ(first, second);
    // The background runs from black at the top to blue at the bottom.
    EXPECT_EQ(first.pixelColor(1, 0), QColor(0, 0, 0));
    EXPECT_GT(first.pixelColor(1, first.height() - 1).blue(), 250);
}

}  // namespace
}  // namespace plumex::qt::test
