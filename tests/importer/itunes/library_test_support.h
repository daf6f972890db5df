// Helpers shared by the media library tests: clips on disk, the "Movies" playlist, and a
// bounded wait for an add.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "importer/itunes/itunes.h"
#include "tests/support/files.h"
#include "tests/support/scoped_environment.h"
#include "tests/support/temp_folder.h"
#include "tools/testmedia/test_media.h"

namespace itunes::library::test {

using namespace vexo::test_support;

// Waits until the add reports it is done; false when it is still running after a generous
// guard, which means a hang, not a slow machine.
inline bool WaitUntilDone(OperationStatus& status) {
    const auto guard = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < guard) {
        if (status.InProgress() == false) {
            return true;
        }
        std::this_thread::yield();
    }
    return false;
}

inline Ref<Playlist> PlaylistNamed(Application& application, std::string_view name) {
    auto sources = application.Sources();
    auto source = sources ? sources->ItemByName("Library") : nullptr;
    auto playlists = source ? source->Playlists() : nullptr;
    return playlists ? playlists->ItemByName(name) : nullptr;
}

// Adds through the automation interface and waits; false when the call or the wait failed.
inline bool AddAndWait(Playlist& playlist, const std::string& path) {
    AddFileResult result = playlist.AddFile(path);
    return result.called && result.status != nullptr && WaitUntilDone(*result.status);
}

// A video clip in folder, named name + the container's extension; its full path.
inline std::string MakeClip(
    const TempFolder& folder, const std::string& name,
    vexo::testmedia::Container container = vexo::testmedia::Container::kMp4) {
    std::string path = folder / (name + std::string(vexo::testmedia::Extension(container)));
    EXPECT_TRUE(vexo::testmedia::WriteVideoClip(path, container)) << path;
    return path;
}

}  // namespace itunes::library::test
