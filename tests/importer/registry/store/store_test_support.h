// Shared by the registry store tests: a private temporary folder, a store in it, small
// helpers for writing and reading values, and child processes running the store writer.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/byte_order.h"
#include "common/posix/unique_fd.h"
#include "importer/registry/store/store_registry_api.h"
#include "tests/support/files.h"
#include "tests/support/hang_guard.h"
#include "tests/support/temp_folder.h"

extern char** environ;

namespace registry::testing {

namespace fs = std::filesystem;

inline constexpr std::chrono::milliseconds kGuard = vexo::test_support::kHangGuard;
using vexo::test_support::TempFolder;
using vexo::test_support::ToBytes;

inline std::vector<std::uint8_t> DwordBytes(std::uint32_t value) {
    const auto bytes = common::Le32Bytes(value);
    return {bytes.begin(), bytes.end()};
}

struct StoredValue {
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    bool operator==(const StoredValue&) const = default;
};

inline Status SetValue(RegistryApi& api, Hkey key, std::string_view name, std::uint32_t type,
                       const std::vector<std::uint8_t>& data) {
    return api.RegSetValueEx(key, name, type, data.data(), static_cast<std::uint32_t>(data.size()));
}

// The value by the size-query-then-read protocol; nullopt when any step fails.
inline std::optional<StoredValue> GetValue(RegistryApi& api, Hkey key, std::string_view name) {
    StoredValue value;
    std::uint32_t size = 0;
    if (api.RegQueryValueEx(key, name, &value.type, nullptr, &size) != kErrorSuccess) {
        return std::nullopt;
    }
    value.data.resize(size + 1);  // never a null buffer, even for 0 bytes
    if (api.RegQueryValueEx(key, name, &value.type, value.data.data(), &size) != kErrorSuccess) {
        return std::nullopt;
    }
    value.data.resize(size);
    return value;
}

// The names of the subkeys, in enumeration order.
inline std::vector<std::string> SubkeyNames(RegistryApi& api, Hkey key) {
    std::vector<std::string> names;
    std::vector<char> name(1024);  // the longest name, in bytes of UTF-8
    for (std::uint32_t index = 0;; ++index) {
        auto length = static_cast<std::uint32_t>(name.size());
        if (api.RegEnumKeyEx(key, index, name.data(), length) != kErrorSuccess) {
            return names;
        }
        names.emplace_back(name.data(), length);
    }
}

inline std::vector<std::string> ValueNames(RegistryApi& api, Hkey key) {
    std::vector<std::string> names;
    std::vector<char> name(65536);
    for (std::uint32_t index = 0;; ++index) {
        auto length = static_cast<std::uint32_t>(name.size());
        if (api.RegEnumValue(key, index, name.data(), length, nullptr, nullptr, nullptr) !=
            kErrorSuccess) {
            return names;
        }
        names.emplace_back(name.data(), length);
    }
}

// A fresh store in a temporary folder.
class StoreTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_FALSE(folder_.Root().empty());
        api_.emplace(StorePath());
        ASSERT_EQ(api_->OpenStatus(), kErrorSuccess);
    }

    std::string StorePath() const { return folder_ / "registry.db"; }
    StoreRegistryApi& api() { return *api_; }
    void Reopen() {
        api_.reset();
        api_.emplace(StorePath());
        ASSERT_EQ(api_->OpenStatus(), kErrorSuccess);
    }

    // Creates (or opens) a key that the test needs; 0 on failure, which the test reports.
    Hkey Create(Hkey base, std::string_view subKey, Access access = kKeyAllAccess) {
        Hkey key = 0;
        EXPECT_EQ(api().RegCreateKeyEx(base, subKey, access, key), kErrorSuccess) << subKey;
        return key;
    }
    Hkey Open(Hkey base, std::string_view subKey, Access access = kKeyAllAccess) {
        Hkey key = 0;
        EXPECT_EQ(api().RegOpenKeyEx(base, subKey, access, key), kErrorSuccess) << subKey;
        return key;
    }

    TempFolder folder_;
    std::optional<StoreRegistryApi> api_;
};

// A child process running the store writer program, with its standard input and output on
// pipes.
class WriterProcess {
  public:
    explicit WriterProcess(const std::vector<std::string>& arguments) {
        int input[2] = {-1, -1};
        int output[2] = {-1, -1};
        if (pipe2(input, O_CLOEXEC) != 0 || pipe2(output, O_CLOEXEC) != 0) {
            return;
        }
        // The child's ends are closed here once it has started.
        const common::posix::UniqueFd childInput(input[0]);
        const common::posix::UniqueFd childOutput(output[1]);
        toChild_ = common::posix::UniqueFd(input[1]);
        fromChild_ = common::posix::UniqueFd(output[0]);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, input[0], STDIN_FILENO);
        posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
        std::vector<std::string> all{VEXO_STORE_WRITER};
        all.insert(all.end(), arguments.begin(), arguments.end());
        std::vector<char*> argv;
        for (std::string& argument : all) {
            argv.push_back(argument.data());
        }
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, VEXO_STORE_WRITER, &actions, nullptr, argv.data(), environ) != 0) {
            pid_ = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
    }
    ~WriterProcess() {
        CloseInput();
        fromChild_.Close();
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            Wait();
        }
    }
    WriterProcess(const WriterProcess&) = delete;
    WriterProcess& operator=(const WriterProcess&) = delete;

    bool Started() const { return pid_ > 0; }

    // Closing the child's input is its signal to start, where it waits for one.
    void CloseInput() { toChild_.Close(); }

    // The next line the child wrote; nullopt at the end of its output.
    std::optional<std::string> ReadLine() {
        for (;;) {
            const std::size_t end = pending_.find('\n');
            if (end != std::string::npos) {
                std::string line = pending_.substr(0, end);
                pending_.erase(0, end + 1);
                return line;
            }
            char buffer[4096];
            const ssize_t size = read(fromChild_.Get(), buffer, sizeof buffer);
            if (size <= 0) {
                return std::nullopt;  // a partial last line is no acknowledgement
            }
            pending_.append(buffer, static_cast<std::size_t>(size));
        }
    }

    void Kill() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
        }
    }

    // The exit status, or -1 when the child did not exit normally.
    int Wait() {
        if (pid_ <= 0) {
            return -1;
        }
        int status = 0;
        const pid_t waited = waitpid(pid_, &status, 0);
        pid_ = -1;
        return waited > 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

  private:
    pid_t pid_ = -1;
    common::posix::UniqueFd toChild_;
    common::posix::UniqueFd fromChild_;
    std::string pending_;
};

}  // namespace registry::testing
