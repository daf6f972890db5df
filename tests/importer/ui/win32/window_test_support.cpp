#include "tests/importer/ui/win32/window_test_support.h"

#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

#include "common/win32/scoped_win.h"
#include "importer/ui/win32/modal_window.h"

namespace plumex::win32::testing {
namespace {

constexpr char kProbeOwnerClass[] = "PlumexTestProbeOwner";
constexpr UINT kProbeMessage = WM_APP + 1;

// The pictures are decoded through COM on the window thread, as in the program.
class ComEnvironment final : public ::testing::Environment {
  public:
    void SetUp() override { apartment_ = std::make_unique<common::win32::ComApartment>(); }
    void TearDown() override { apartment_.reset(); }

  private:
    std::unique_ptr<common::win32::ComApartment> apartment_;
};

[[maybe_unused]] ::testing::Environment* const kCom =
    ::testing::AddGlobalTestEnvironment(new ComEnvironment);

LPARAM PointParam(POINT point) {
    return MAKELPARAM(static_cast<WORD>(point.x), static_cast<WORD>(point.y));
}

struct ShownSearch {
    HWND except;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectShown(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<ShownSearch*>(param);
    if (window != search->except && IsWindowVisible(window)) {
        search->found.push_back(window);
    }
    return TRUE;
}

}  // namespace

std::string NoDisplayReason() {
    if (GetSystemMetrics(SM_CXSCREEN) <= 0 || GetSystemMetrics(SM_CYSCREEN) <= 0) {
        return "no screen to show windows on";
    }
    HWND probe = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
    if (probe == nullptr) {
        return "windows cannot be created: no display";
    }
    DestroyWindow(probe);
    return {};
}

HWND ShownWindowOtherThan(HWND except) {
    ShownSearch search{except, {}};
    EnumThreadWindows(GetCurrentThreadId(), CollectShown, reinterpret_cast<LPARAM>(&search));
    return search.found.size() == 1 ? search.found.front() : nullptr;
}

ProbeOwner::ProbeOwner(const RECT& bounds) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    RegisterObjectWindowClass<ProbeOwner>(kProbeOwnerClass);
    window_ = CreateWindowExA(0, kProbeOwnerClass, "owner", WS_OVERLAPPEDWINDOW, bounds.left,
                              bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top,
                              nullptr, nullptr, instance, this);
}

ProbeOwner::~ProbeOwner() {
    if (window_ != nullptr) {
        DestroyWindow(window_);
    }
}

void ProbeOwner::Probe(std::function<void()> run) {
    run_ = std::move(run);
    probed_ = false;
    PostMessageA(window_, kProbeMessage, 0, 0);
}

LRESULT ProbeOwner::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kProbeMessage && run_) {
        probed_ = true;
        std::exchange(run_, nullptr)();
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void WindowTest::SetUp() {
    const std::string reason = NoDisplayReason();
    if (!reason.empty()) {
        GTEST_SKIP() << reason;
    }
}

void ClickAt(HWND window, POINT point) {
    SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, PointParam(point));
    if (IsWindow(window)) {
        SendMessageA(window, WM_LBUTTONUP, 0, PointParam(point));
    }
}

}  // namespace plumex::win32::testing
