// The tests of the late binding: the test server registered as "iTunes.Application" for the
// whole suite, COM on the test thread, a fresh library for every test, and at its end no
// server object left alive.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "common/win32/scoped_win.h"
#include "importer/itunes/itunes.h"
#include "tests/importer/itunes/com/fake_itunes_control.h"
#include "tests/importer/itunes/com/server_registration_win32.h"

namespace fake_itunes {

// The program's texts are ANSI; the server keeps UTF-16.
inline std::wstring Wide(std::string_view ansi) {
    const int length =
        MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), wide.data(), length);
    return wide;
}

// A property of a track of "Movies" as the server holds it: its type and its text.
inline std::pair<int, std::wstring> MoviesTrackProperty(int index, const wchar_t* property) {
    wchar_t text[1024] = {};
    const int type = FakeITunesTrackProperty(L"Movies", index, property, text, 1024);
    return {type, text};
}

class LateBindingTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { registration_ = std::make_unique<ServerRegistration>(); }
    static void TearDownTestSuite() { registration_.reset(); }

    void SetUp() override {
        ASSERT_TRUE(registration_->Ok());
        ASSERT_TRUE(apartment_.Ok());
        FakeITunesReset();
    }
    // Every reference the test took is gone by now: the binding must have released all the
    // server's objects.
    void TearDown() override {
        movies_.reset();
        application_.reset();
        EXPECT_EQ(FakeITunesLiveObjects(), 0);
    }

    // The "Movies" playlist, reached by names as an import reaches it.
    itunes::Ref<itunes::Playlist> Movies() {
        application_ = itunes::CreateObject(itunes::kApplicationId);
        if (!application_) {
            return nullptr;
        }
        const auto sources = application_->Sources();
        const auto library = sources ? sources->ItemByName("Library") : nullptr;
        const auto playlists = library ? library->Playlists() : nullptr;
        movies_ = playlists ? playlists->ItemByName("Movies") : nullptr;
        return movies_;
    }

    common::win32::ComApartment apartment_;
    itunes::Ref<itunes::Application> application_;
    itunes::Ref<itunes::Playlist> movies_;

  private:
    inline static std::unique_ptr<ServerRegistration> registration_;
};

}  // namespace fake_itunes
