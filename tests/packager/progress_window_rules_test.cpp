// What every frontend of the progress window shares: the status lines, the shared state, the
// bar's drawing rule, the geometry and the set-up failure boxes.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "packager/message_boxes.h"
#include "packager/progress_bar.h"
#include "packager/progress_state.h"
#include "packager/shared_progress_view.h"
#include "packager/suspended_thread.h"
#include "packager/window_layout.h"

namespace packager::test {
namespace {

using ::testing::ElementsAre;

// The line as the buffer holds it, up to its NUL.
std::string StatusLineOf(std::string_view phase) {
    StatusLine line;
    line.fill('?');
    const std::string_view composed = ComposeStatusLine(phase, line);
    EXPECT_EQ(composed.data(), line.data());
    return line.data();
}

TEST(StatusLineTest, PhaseIsFollowedByPleaseWait) {
    EXPECT_EQ(StatusLineOf("Extracting setup.exe"), "Extracting setup.exe ... Please Wait");
    EXPECT_EQ(StatusLineOf(kCancellingPhase), "Cancelling ... Please Wait");
    // The line fits the 1024-byte buffer with its NUL.
    EXPECT_EQ(StatusLineOf(std::string(2000, 'x')), std::string(1023, 'x'));
    EXPECT_EQ(StatusLineOf(std::string(1020, 'x')), std::string(1020, 'x') + " ..");
}

TEST(ProgressStateTest, StartsInitializingWithAnEmptyBar) {
    ProgressState state;
    EXPECT_EQ(state.CopyStatus(), "Initializing ... Please Wait");
    EXPECT_EQ(state.PercentForPainting(), 0u);
    EXPECT_FALSE(state.cancelEvent.IsSet());
    state.cancelEvent.Set();
    state.cancelEvent.Set();
    EXPECT_TRUE(state.cancelEvent.IsSet());
}

TEST(ProgressStateTest, PaintingLowersAPercentAbove100AndStoresItBack) {
    ProgressState state;
    state.StorePercent(250);
    EXPECT_EQ(state.PercentForPainting(), 100u);
    EXPECT_EQ(state.progressPercent, 100u);
}

// Records what the window is asked, and whether the lock was free when it was asked.
class RecordingDisplay final : public ProgressDisplay {
  public:
    explicit RecordingDisplay(ProgressState& state) : state_(state) {}

    std::vector<std::string> calls;

    void ShowStatusLine(std::string_view line) override { Record("status " + std::string(line)); }
    void InvalidateBar() override { Record("bar " + std::to_string(state_.PercentForPainting())); }
    void HideWindow() override { Record("hide window"); }
    void HideCancelButton() override { Record("hide cancel"); }
    void ShowMessage(const MessageBoxSpec& box) override {
        Record("box " + std::string(box.caption));
    }

  private:
    void Record(std::string call) {
        // The worker never holds the lock while it waits for the window thread.
        if (!state_.stateLock.try_lock()) {
            call += " (lock held)";
        } else {
            state_.stateLock.unlock();
        }
        calls.push_back(std::move(call));
    }

    ProgressState& state_;
};

TEST(SharedProgressViewTest, StoresUnderTheLockThenTellsTheWindow) {
    ProgressState state;
    RecordingDisplay display(state);
    SharedProgressView view(state, display);
    view.SetStatus("Opening Package");
    view.SetProgress(40);
    view.HideCancelButton();
    view.HideWindow();
    view.ShowMessage(kRemovalFailureBox);
    EXPECT_EQ(state.CopyStatus(), "Opening Package ... Please Wait");
    EXPECT_THAT(display.calls, ElementsAre("status Opening Package ... Please Wait", "bar 40",
                                           "hide cancel", "hide window", "box Removal Failure"));
    EXPECT_FALSE(view.IsCancelled());
    state.cancelEvent.Set();
    EXPECT_TRUE(view.IsCancelled());
}

struct BarCase {
    std::uint32_t percent;
    int width;
    std::uint32_t drawn;
    int filled;
    std::string label;
};

class ProgressBarRuleTest : public ::testing::TestWithParam<BarCase> {};

TEST_P(ProgressBarRuleTest, FillAndLabel) {
    const BarCase& c = GetParam();
    const ProgressBarPicture picture = DrawProgressBar(c.percent, c.width);
    EXPECT_EQ(picture.percent, c.drawn);
    EXPECT_EQ(picture.filledWidth, c.filled);
    EXPECT_EQ(picture.Label(), c.label);
}

INSTANTIATE_TEST_SUITE_P(
    Percentages, ProgressBarRuleTest,
    ::testing::Values(BarCase{0, 574, 0, 0, ""},  // an empty frame
                      BarCase{1, 574, 1, 5, "  1%"}, BarCase{5, 574, 5, 28, "  5%"},
                      BarCase{40, 574, 40, 229, " 40%"}, BarCase{81, 580, 81, 469, " 81%"},
                      BarCase{100, 574, 100, 574, "100%"}, BarCase{101, 574, 100, 574, "100%"},
                      BarCase{0xFFFFFFFFu, 574, 100, 574, "100%"}));

TEST(WindowLayoutTest, CentredOnTheDesktopRoundingTowardZero) {
    EXPECT_EQ(CentredWindowOrigin(1024, 768), (PixelPoint{212, 284}));
    EXPECT_EQ(CentredWindowOrigin(1921, 1081), (PixelPoint{660, 440}));
    EXPECT_EQ(CentredWindowOrigin(599, 199), (PixelPoint{0, 0}));
    EXPECT_EQ(CentredWindowOrigin(597, 195), (PixelPoint{-1, -2}));
}

TEST(WindowLayoutTest, ChildrenInTheClientArea) {
    // The client area of a 600 x 200 window with a caption bar and a thin frame.
    const ProgressWindowLayout layout = LayOutProgressWindow(594, 171);
    EXPECT_EQ(layout.status, (PixelRect{10, 10, 574, 71}));
    EXPECT_EQ(layout.bar, (PixelRect{10, 91, 574, 29}));
    EXPECT_EQ(layout.cancel, (PixelRect{247, 131, 100, 30}));
}

TEST(InitializationErrorTest, CaptionNamesTheStepAndOwnerFollowsTheWindow) {
    EXPECT_EQ(InitializationErrorBox(SetupStep::CreateThread),
              (MessageBoxSpec{"Initialization Error.", "CreateThread", MessageIcon::Error,
                              MessageOwner::None}));
    EXPECT_EQ(InitializationErrorBox(SetupStep::CreateMainWindow).owner, MessageOwner::None);
    EXPECT_EQ(InitializationErrorBox(SetupStep::DesktopRect).caption,
              "GetClientRect(GetDesktopWindow)");
    EXPECT_EQ(InitializationErrorBox(SetupStep::MainWindowRect),
              (MessageBoxSpec{"Initialization Error.", "GetClientRect(hWndMain)",
                              MessageIcon::Error, MessageOwner::ProgressWindow}));
    EXPECT_EQ(InitializationErrorBox(SetupStep::UpdateCancel).caption, "UpdateWindow(hCancel)");
}

TEST(SuspendedThreadTest, RunsOnlyOnceResumed) {
    bool ran = false;
    {
        SuspendedThread thread;
        ASSERT_TRUE(thread.Create([&ran] { ran = true; }));
        EXPECT_FALSE(ran);  // cannot have run: the gate is closed until Resume
        thread.Resume();
        thread.Join();
    }
    EXPECT_TRUE(ran);
}

TEST(SuspendedThreadTest, AbandonedThreadNeverRunsItsBody) {
    bool ran = false;
    {
        SuspendedThread thread;
        ASSERT_TRUE(thread.Create([&ran] { ran = true; }));
    }
    EXPECT_FALSE(ran);
}

}  // namespace
}  // namespace packager::test
