// The Win32 progress window: the bar's picture for the percentages (off screen, on any system),
// the shared state, and - where windows can be created - the window itself, the single Cancel
// press and the wait for the worker.
#include "common/win32/windows_api.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "common/win32/scoped_win.h"
#include "packager/progress_bar.h"
#include "packager/ui/win32/bar_image.h"
#include "packager/ui/win32/message_loop.h"
#include "packager/ui/win32/package_main.h"
#include "packager/ui/win32/progress_window.h"
#include "packager/ui/win32/win32_progress_state.h"
#include "packager/window_layout.h"
#include "tests/packager/win32/win32_test_support.h"
#include "tests/support/files.h"
#include "tests/support/scoped_environment.h"
#include "tests/support/temp_folder.h"

namespace packager::win32::test {
namespace {

using common::win32::MemoryDc;
using testing_support::CanCreateWindows;

constexpr int kBarWidth = 300;
constexpr int kBarHeight = 29;

COLORREF Inverse(COLORREF colour) {
    return colour ^ 0x00FFFFFF;
}

// The bar drawn by DrawBarImage into a 32-bit picture of its own, read back pixel by pixel.
class BarPicture {
  public:
    explicit BarPicture(std::uint32_t percent)
        : memory_(nullptr),
          bitmap_(testing_support::MakeOffScreenBitmap(memory_.Get(), kBarWidth, kBarImageHeight)) {
        const common::win32::SelectedObject selected(memory_.Get(), bitmap_.Get());
        DrawBarImage(memory_.Get(), kBarWidth, kBarHeight, percent);
        for (int y = 0; y < kBarHeight; ++y) {
            for (int x = 0; x < kBarWidth; ++x) {
                pixels_[y][x] = ::GetPixel(memory_.Get(), x, y);
            }
        }
    }

    COLORREF At(int x, int y) const { return pixels_[y][x]; }

    // Pixels inside the 2-pixel frame that show neither the bar's background nor its filled
    // part: the number's.
    int NumberPixels(int filledWidth, int& leftmost, int& rightmost) const {
        const COLORREF face = ::GetSysColor(COLOR_BTNFACE);
        int count = 0;
        leftmost = kBarWidth;
        rightmost = -1;
        for (int y = 2; y < kBarHeight - 2; ++y) {
            for (int x = 2; x < kBarWidth - 2; ++x) {
                const COLORREF background = x < filledWidth ? Inverse(face) : face;
                if (At(x, y) != background) {
                    ++count;
                    leftmost = std::min(leftmost, x);
                    rightmost = std::max(rightmost, x);
                }
            }
        }
        return count;
    }

  private:
    MemoryDc memory_;
    common::win32::GdiObject<HBITMAP> bitmap_;
    COLORREF pixels_[kBarHeight][kBarWidth] = {};
};

class BarImageTest : public ::testing::TestWithParam<std::uint32_t> {};

TEST_P(BarImageTest, SunkenFrameInvertedShareCentredNumber) {
    const std::uint32_t percent = GetParam();
    const BarPicture bar(percent);
    const ProgressBarPicture rule = DrawProgressBar(percent, kBarWidth);
    const COLORREF face = ::GetSysColor(COLOR_BTNFACE);

    // A sunken edge: shadow above and left, highlight below and right, over any fill.
    EXPECT_EQ(bar.At(0, 0), ::GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(bar.At(kBarWidth - 1, kBarHeight - 1), ::GetSysColor(COLOR_BTNHIGHLIGHT));

    // Above the number, inside the frame, the filled share is inverted and the rest is the
    // button face.
    const int row = 3;
    if (rule.filledWidth >= 5) {
        EXPECT_EQ(bar.At(rule.filledWidth - 3, row), Inverse(face));
    }
    if (rule.filledWidth + 2 < kBarWidth - 2) {
        EXPECT_EQ(bar.At(std::max(rule.filledWidth + 2, 2), row), face);
    }

    int leftmost = 0;
    int rightmost = 0;
    const int number = bar.NumberPixels(rule.filledWidth, leftmost, rightmost);
    if (percent == 0) {
        EXPECT_EQ(number, 0);  // an empty frame
        return;
    }
    // The number lies within its text ("  5%", " 50%", "100%") centred in the bar.
    ASSERT_GT(number, 0);
    const MemoryDc screen(nullptr);
    SIZE extent{};
    ASSERT_TRUE(::GetTextExtentPoint32A(screen.Get(), rule.label.data(),
                                        static_cast<int>(rule.Label().size()), &extent));
    const int textLeft = (kBarWidth - extent.cx) / 2;
    EXPECT_GE(leftmost, textLeft - 1);
    EXPECT_LE(rightmost, textLeft + extent.cx);
    EXPECT_GE(rightmost, textLeft + extent.cx - extent.cx / 4) << "the number is right-aligned";
}

INSTANTIATE_TEST_SUITE_P(Percentages, BarImageTest, ::testing::Values(0u, 5u, 50u, 99u, 100u));

TEST(BarImageTest, NumberInsideTheFillIsInvertedToo) {
    // At 100 the whole bar is filled: the number is the inverse of the default text colour.
    const BarPicture bar(100);
    int found = 0;
    for (int y = 2; y < kBarHeight - 2; ++y) {
        for (int x = 2; x < kBarWidth - 2; ++x) {
            found += bar.At(x, y) == Inverse(RGB(0, 0, 0)) ? 1 : 0;
        }
    }
    EXPECT_GT(found, 0);
}

// The state's status line, as the window copies it.
std::string StatusOf(Win32ProgressState& state) {
    StatusLine line;
    state.CopyStatus(line);
    return line.data();
}

TEST(Win32ProgressStateTest, StatusLinesPercentagesAndTheCancelRequest) {
    Win32ProgressState state;
    ASSERT_TRUE(state.CreateLock());
    ASSERT_TRUE(state.CreateCancelEvent());
    EXPECT_EQ(StatusOf(state), "Initializing ... Please Wait");
    StatusLine stored;
    state.StoreStatus("Extracting setup.exe", stored);
    EXPECT_STREQ(stored.data(), "Extracting setup.exe ... Please Wait");
    EXPECT_EQ(StatusOf(state), "Extracting setup.exe ... Please Wait");

    state.StorePercent(150);
    EXPECT_EQ(state.PercentForPainting(), 100u);
    state.StorePercent(40);
    EXPECT_EQ(state.PercentForPainting(), 40u);

    EXPECT_FALSE(state.IsCancelled());
    state.SetCancelled();
    EXPECT_TRUE(state.IsCancelled());
    EXPECT_TRUE(state.IsCancelled());  // never reset
}

std::string TextOf(HWND window) {
    char text[256] = {};
    ::GetWindowTextA(window, text, sizeof text);
    return text;
}

class ProgressWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!CanCreateWindows()) {
            GTEST_SKIP() << "no window can be created here (under Wine: no X display); run the "
                            "tests under xvfb-run to include the window's own";
        }
        ASSERT_FALSE(window_.Create(::GetModuleHandleA(nullptr)).has_value());
    }
    void TearDown() override {
        // As in the program, the window is left to the end of the process (destroying a shown
        // window costs Wine two seconds without a window manager), but it no longer reaches
        // this test's objects.
        if (window_.Main() != nullptr) {
            ::SetWindowLongPtrA(window_.Main(), GWLP_USERDATA, 0);
        }
    }

    Win32ProgressState state_;
    ProgressWindow window_{state_};
};

TEST_F(ProgressWindowTest, FixedCentredPopUpWithItsChildren) {
    char className[64] = {};
    ::GetClassNameA(window_.Main(), className, sizeof className);
    EXPECT_STREQ(className, "VEXOPackage");
    EXPECT_EQ(TextOf(window_.Main()), "VEXO(tm) Package Delivery System");
    const LONG style = ::GetWindowLongA(window_.Main(), GWL_STYLE);
    EXPECT_EQ(style & (WS_POPUP | WS_CAPTION), WS_POPUP | WS_CAPTION);
    EXPECT_EQ(style & (WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0);

    RECT desktop{};
    ::GetClientRect(::GetDesktopWindow(), &desktop);
    RECT outer{};
    ::GetWindowRect(window_.Main(), &outer);
    const PixelPoint origin = CentredWindowOrigin(desktop.right, desktop.bottom);
    EXPECT_EQ(outer.left, origin.x);
    EXPECT_EQ(outer.top, origin.y);
    EXPECT_EQ(outer.right - outer.left, 600);
    EXPECT_EQ(outer.bottom - outer.top, 200);

    RECT client{};
    ::GetClientRect(window_.Main(), &client);
    const ProgressWindowLayout layout = LayOutProgressWindow(client.right, client.bottom);
    RECT status{};
    ::GetWindowRect(window_.Status(), &status);
    ::MapWindowPoints(nullptr, window_.Main(), reinterpret_cast<POINT*>(&status), 2);
    EXPECT_EQ(status.left, layout.status.left);
    EXPECT_EQ(status.top, layout.status.top);
    EXPECT_EQ(status.right - status.left, layout.status.width);
    EXPECT_EQ(TextOf(window_.Status()), "Initializing ... Please Wait");
    EXPECT_EQ(TextOf(window_.Cancel()), "Cancel");
    EXPECT_TRUE(::IsWindowVisible(window_.Cancel()));
    const RECT bar = window_.BarRect();
    EXPECT_EQ(bar.left, layout.bar.left);
    EXPECT_EQ(bar.top, layout.bar.top);
    EXPECT_EQ(bar.right, layout.bar.left + layout.bar.width);
    EXPECT_EQ(bar.bottom, layout.bar.top + 29);
}

TEST_F(ProgressWindowTest, CancelHidesItselfAndAsksTheWorkerToStop) {
    ::SendMessageA(window_.Cancel(), BM_CLICK, 0, 0);
    EXPECT_FALSE(::IsWindowVisible(window_.Cancel()));
    EXPECT_EQ(TextOf(window_.Status()), "Cancelling ... Please Wait");
    EXPECT_EQ(StatusOf(state_), "Cancelling ... Please Wait");
    EXPECT_TRUE(state_.IsCancelled());
}

TEST_F(ProgressWindowTest, AskingToCloseChangesNothing) {
    ::SendMessageA(window_.Main(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(::IsWindow(window_.Main()));
}

// A window of the test's own that sets the event its WM_APP names.
LRESULT CALLBACK SignalOnApp(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_APP) {
        ::SetEvent(reinterpret_cast<HANDLE>(lParam));
        return 0;
    }
    return ::DefWindowProcA(window, message, wParam, lParam);
}

DWORD WINAPI WaitForEvent(LPVOID event) {
    ::WaitForSingleObject(static_cast<HANDLE>(event), INFINITE);
    return 0;
}

TEST(MessageLoopTest, OnlyTheWorkersEndEndsTheWait) {
    if (!CanCreateWindows()) {
        GTEST_SKIP() << "no window can be created here (under Wine: no X display)";
    }
    WNDCLASSA signalClass{};
    signalClass.lpfnWndProc = SignalOnApp;
    signalClass.lpszClassName = "VexoTestSignal";
    ::RegisterClassA(&signalClass);
    const HWND signal = ::CreateWindowExA(0, "VexoTestSignal", "", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                          nullptr, nullptr, nullptr);
    ASSERT_NE(signal, nullptr);
    const common::win32::UniqueHandle handled(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    ASSERT_TRUE(handled);
    // The worker ends once the window thread has handled WM_APP.
    const common::win32::UniqueHandle worker(
        ::CreateThread(nullptr, 0, WaitForEvent, handled.Get(), 0, nullptr));
    ASSERT_TRUE(worker);

    // A quit message is retrieved only after every posted message, so the wait meets it while
    // the worker still runs, or at the latest in the same round.
    ::PostQuitMessage(7);
    ::PostMessageA(signal, WM_APP, 0, reinterpret_cast<LPARAM>(handled.Get()));
    EXPECT_EQ(HandleMessagesUntilEnded(worker.Get()), 0);
    EXPECT_EQ(::WaitForSingleObject(handled.Get(), 0), WAIT_OBJECT_0);
    ::DestroyWindow(signal);
}

// The worker's memory is had before anything else; without it the program ends at once with 1,
// after the box of the worker thread's step.
TEST(PackageMainTest, WorkerMemoryThatCannotBeHadFailsTheFirstStep) {
    vexo::test_support::TempFolder scratch("vexo-setup");
    ASSERT_TRUE(scratch.Ok());
    const std::string reportPath = testing_support::Join(scratch.Root(), "stderr.txt");
    common::win32::UniqueHandle report(::CreateFileA(reportPath.c_str(), GENERIC_WRITE,
                                                     FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                                     FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(report);
    const vexo::test_support::ScopedVariable autoAnswer("VEXO_SETUP_AUTOANSWER", "1");
    const HANDLE errors = ::GetStdHandle(STD_ERROR_HANDLE);
    const LPTOP_LEVEL_EXCEPTION_FILTER faults = ::SetUnhandledExceptionFilter(nullptr);
    ::SetStdHandle(STD_ERROR_HANDLE, report.Get());
    const int exitCode = PackageMain(::GetModuleHandleA(nullptr), nullptr);
    ::SetStdHandle(STD_ERROR_HANDLE, errors);
    ::SetUnhandledExceptionFilter(faults);
    report.Close();

    EXPECT_EQ(exitCode, 1);
    EXPECT_EQ(vexo::test_support::ReadText(reportPath),
              "VEXOSetup message box: CreateThread\nInitialization Error.\n");
}

}  // namespace
}  // namespace packager::win32::test
