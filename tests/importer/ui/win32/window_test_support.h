// What the Win32 window tests share: COM on the test thread, a check for a display, and an
// owner window that runs a probe from inside a modal window's message loop.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "tests/support/hang_guard.h"

namespace plumex::win32::testing {

// Empty when windows can be shown; else why not, for GTEST_SKIP.
std::string NoDisplayReason();

// The visible window of this thread other than except, nullptr when there is none or several.
HWND ShownWindowOtherThan(HWND except);

// A hidden top-level window at bounds (screen pixels) to own modal windows. Probe(run) posts
// it a message, so that run is called from inside the next message loop, the modal one.
class ProbeOwner {
  public:
    explicit ProbeOwner(const RECT& bounds);
    ~ProbeOwner();
    ProbeOwner(const ProbeOwner&) = delete;
    ProbeOwner& operator=(const ProbeOwner&) = delete;

    HWND Handle() const { return window_; }
    void Probe(std::function<void()> run);
    // Whether the last probe ran.
    bool Probed() const { return probed_; }

    LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  private:
    HWND window_ = nullptr;
    std::function<void()> run_;
    bool probed_ = false;
};

// Skips the test, with the reason, where no windows can be shown.
class WindowTest : public ::testing::Test {
  protected:
    void SetUp() override;
    vexo::test_support::HangGuard hangGuard_;  // a modal loop that never ends
};

// A left click (press and release, no key held) at client pixel point.
void ClickAt(HWND window, POINT point);

}  // namespace plumex::win32::testing
