// vexo reg export and import against the system's own registry editor and reg.exe (under Wine,
// Wine's), on the same registry: regedit imports what we export, we import what reg.exe exports,
// and the values read back through advapi32 are the bytes that were set.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "common/win32/scoped_win.h"
#include "tests/support/files.h"
#include "tests/support/temp_folder.h"
#include "tools/regfile/reg_text.h"
#include "tools/vexo/command.h"
#include "tools/vexo/reg_command.h"
#include "tools/vexo/reg_keys.h"

namespace vexo::cli::test {
namespace {

using namespace std::string_literals;
using registry::kHkeyCurrentUser;
using vexo::test_support::ReadBytes;
using vexo::test_support::TempFolder;

// A text of the ANSI code page, which the A functions take, from UTF-8.
std::string Ansi(std::string_view utf8) {
    return regfile::Utf16ToNarrow(regfile::NarrowToUtf16(utf8, regfile::NarrowText::Utf8),
                                  regfile::NarrowText::System);
}

struct PeerValue {
    std::string subKey;  // below the test's key
    std::string name;
    std::uint32_t type;
    std::string data;
};

// Every type, the default value, empty data, and names and texts beyond ASCII.
std::vector<PeerValue> PeerValues() {
    std::string binary;
    for (int i = 0; i < 200; ++i) {
        binary += static_cast<char>(i * 7);
    }
    return {
        {"", "", registry::kRegSz, "default \"q\" C:\\x\0"s},
        {"", "Text", registry::kRegSz, "C:\\Program Files\\iTunes\\\0"s},
        {"", "Empty", registry::kRegSz, "\0"s},
        {"", "Lines", registry::kRegSz, "1\r\n2\ttab\0"s},
        {"", "Expand", registry::kRegExpandSz, "%TEMP%\\x\0"s},
        {"", "Multi", registry::kRegMultiSz, "a\0b c\0\0"s},
        {"", "Dword", registry::kRegDword, "\x2a\0\0\x80"s},
        {"", "Qword", 11, "\1\2\3\4\5\6\7\x80"s},
        {"", "Binary", registry::kRegBinary, binary},
        {"", "None", registry::kRegNone, "\1\2"},
        {"", "None empty", registry::kRegNone, ""},
        {"", Ansi("Caf\xc3\xa9 \xc3\xbc"), registry::kRegSz, Ansi("\xc3\x9cml \xe2\x82\xac\0"s)},
        {"", Ansi("L\xc3\xafst"), registry::kRegMultiSz, Ansi("\xc3\xa9\0\xc3\xbc\0\0"s)},
        {Ansi("Sub \xc3\xa9"), "x", registry::kRegSz, "1\0"s}};
}

// Starts a program as CreateProcess finds it (regedit.exe in the Windows folder, reg.exe in the
// system folder) and waits for its end: its exit code, or -1 when it could not start.
long RunProgram(std::string commandLine) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!::CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &started)) {
        return -1;
    }
    const common::win32::UniqueHandle process(started.hProcess);
    const common::win32::UniqueHandle thread(started.hThread);
    DWORD code = 0;
    if (::WaitForSingleObject(process.Get(), INFINITE) != WAIT_OBJECT_0 ||
        !::GetExitCodeProcess(process.Get(), &code)) {
        return -1;
    }
    return static_cast<long>(code);
}

// A file name as the programs' command lines take it: in quotes, with "\".
std::string Quoted(std::string path) {
    std::replace(path.begin(), path.end(), '/', '\\');
    return "\"" + path + "\"";
}

class RegPeerTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(folder_.Ok());
        for (const PeerValue& value : PeerValues()) {
            OpenedKey key(api_);
            ASSERT_EQ(
                key.Create(kHkeyCurrentUser, JoinKey(key_, value.subKey), registry::kKeyWrite),
                registry::kErrorSuccess);
            const std::uint8_t none = 0;
            const auto* data = reinterpret_cast<const std::uint8_t*>(value.data.data());
            ASSERT_EQ(api_.RegSetValueEx(key.get(), value.name, value.type,
                                         value.data.empty() ? &none : data,
                                         static_cast<std::uint32_t>(value.data.size())),
                      registry::kErrorSuccess);
        }
    }
    void TearDown() override { DeleteTree(api_, kHkeyCurrentUser, key_); }

    int Reg(std::vector<std::string_view> args) {
        std::ostringstream out;
        std::ostringstream err;
        const int status = RunReg(args, api_, out, err);
        EXPECT_EQ(err.str(), "");
        return status;
    }

    void ExpectTheValuesThatWereSet() {
        for (const PeerValue& expected : PeerValues()) {
            OpenedKey key(api_);
            regfile::ValueEntry value;
            ASSERT_EQ(
                key.Open(kHkeyCurrentUser, JoinKey(key_, expected.subKey), registry::kKeyRead),
                registry::kErrorSuccess);
            ASSERT_EQ(ReadValue(api_, key.get(), expected.name, value), registry::kErrorSuccess)
                << expected.name;
            EXPECT_EQ(value.type, expected.type) << expected.name;
            EXPECT_EQ(std::string(value.data.begin(), value.data.end()), expected.data)
                << expected.name;
        }
    }

    std::string File(std::string_view name) const { return folder_ / name; }

    registry::RegistryApi& api_ = registry::SystemRegistryApi();
    const std::string key_ =
        "Software\\VexoTests\\RegPeer" + std::to_string(::GetCurrentProcessId());
    const std::string fullKey_ = "HKEY_CURRENT_USER\\" + key_;

  private:
    TempFolder folder_;
};

TEST_F(RegPeerTest, RegeditImportsWhatWeExport) {
    const std::string file = File("ours.reg");
    ASSERT_EQ(Reg({"export", fullKey_, file}), kExitOk);
    ASSERT_EQ(DeleteTree(api_, kHkeyCurrentUser, key_), registry::kErrorSuccess);

    ASSERT_EQ(RunProgram("regedit.exe /s " + Quoted(file)), 0);
    ExpectTheValuesThatWereSet();
}

TEST_F(RegPeerTest, WeImportWhatRegExportsAndExportTheSameBytes) {
    const std::string file = File("reg.reg");
    ASSERT_EQ(RunProgram("reg.exe export " + Quoted(fullKey_) + " " + Quoted(file) + " /y"), 0);
    const std::string ours = File("ours.reg");
    ASSERT_EQ(Reg({"export", fullKey_, ours}), kExitOk);
    EXPECT_EQ(ReadBytes(ours), ReadBytes(file));
    ASSERT_EQ(DeleteTree(api_, kHkeyCurrentUser, key_), registry::kErrorSuccess);

    ASSERT_EQ(Reg({"import", file}), kExitOk);
    ExpectTheValuesThatWereSet();
}

}  // namespace
}  // namespace vexo::cli::test
