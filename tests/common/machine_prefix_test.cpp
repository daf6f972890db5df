#include "common/machine_prefix.h"

#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include "tests/support/files.h"
#include "tests/support/scoped_environment.h"
#include "tests/support/temp_folder.h"

namespace common::test {
namespace {

namespace fs = std::filesystem;
using namespace vexo::test_support;

struct PrefixCase {
    std::optional<std::string> vexoPrefix;
    std::optional<std::string> dataHome;
    std::optional<std::string> home;
    std::string prefix;

    friend void PrintTo(const PrefixCase& c, std::ostream* os) {
        for (const auto& variable : {c.vexoPrefix, c.dataHome, c.home}) {
            *os << variable.value_or("(unset)") << ',';
        }
    }
};

class MachinePrefixTest : public testing::TestWithParam<PrefixCase> {};

TEST_P(MachinePrefixTest, ComesFromTheFirstVariableThatNamesAFolder) {
    const PrefixCase& c = GetParam();
    ScopedVariable prefix("VEXO_PREFIX", c.vexoPrefix);
    ScopedVariable dataHome("XDG_DATA_HOME", c.dataHome);
    ScopedVariable home("HOME", c.home);
    EXPECT_EQ(MachinePrefix(), c.prefix);
}

INSTANTIATE_TEST_SUITE_P(
    Variables, MachinePrefixTest,
    testing::Values(PrefixCase{"/srv/vexo", "/data", "/home/u", "/srv/vexo"},
                    PrefixCase{"/srv/vexo//", std::nullopt, std::nullopt, "/srv/vexo"},
                    PrefixCase{"", "/data/", "/home/u", "/data/vexo"},
                    PrefixCase{std::nullopt, "/", "/home/u", "/vexo"},
                    // A relative XDG_DATA_HOME is no valid setting.
                    PrefixCase{std::nullopt, "data", "/home/u", "/home/u/.local/share/vexo"},
                    PrefixCase{std::nullopt, "", "/home/u/", "/home/u/.local/share/vexo"}));

TEST(MachinePrefix, ARelativePrefixIsTakenFromTheWorkingFolder) {
    ScopedVariable prefix("VEXO_PREFIX", "relative/prefix");
    EXPECT_EQ(MachinePrefix(), (fs::current_path() / "relative/prefix").string());
}

TEST(MachinePrefix, WithoutHomeTheAccountDatabaseNamesTheHomeFolder) {
    const passwd* account = getpwuid(getuid());
    if (account == nullptr || account->pw_dir == nullptr || account->pw_dir[0] == '\0') {
        GTEST_SKIP() << "this user has no entry in the account database";
    }
    const std::string expected =
        (fs::path(account->pw_dir) / ".local/share/vexo").lexically_normal().string();
    ScopedVariable prefix("VEXO_PREFIX", std::nullopt);
    ScopedVariable dataHome("XDG_DATA_HOME", std::nullopt);
    ScopedVariable home("HOME", std::nullopt);
    EXPECT_EQ(MachinePrefix(), expected);
}

TEST(MachinePrefix, PathsInsideThePrefix) {
    ScopedVariable prefix("VEXO_PREFIX", "/srv/vexo/");
    EXPECT_EQ(RegistryStorePath(), "/srv/vexo/registry.db");
    EXPECT_EQ(ProgramFilesFolder(), "/srv/vexo/Program Files");
    ScopedVariable root("VEXO_PREFIX", "/");
    EXPECT_EQ(RegistryStorePath(), "/registry.db");
}

mode_t Permissions(const fs::path& path) {
    struct stat info {};
    EXPECT_EQ(stat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}

TEST(EnsureMachinePrefix, CreatesThePrefixAndItsParentsPrivatelyWhateverTheUmask) {
    TempFolder temp;
    ASSERT_FALSE(temp.path().empty());
    const fs::path prefix = temp.path() / "a" / "b" / "prefix";
    ScopedVariable variable("VEXO_PREFIX", prefix.string());

    const mode_t oldMask = umask(0777);
    const std::optional<std::string> created = EnsureMachinePrefix();
    umask(oldMask);

    ASSERT_EQ(created, prefix.string());
    EXPECT_EQ(Permissions(temp.path() / "a"), 0700u);
    EXPECT_EQ(Permissions(temp.path() / "a" / "b"), 0700u);
    EXPECT_EQ(Permissions(prefix), 0700u);
    EXPECT_TRUE(fs::is_directory(prefix / "Program Files"));
    EXPECT_EQ(EnsureMachinePrefix(), prefix.string()) << "a second call finds it ready";
}

TEST(EnsureMachinePrefix, LeavesAnExistingFolderAsItIs) {
    TempFolder temp;
    ASSERT_FALSE(temp.path().empty());
    fs::permissions(temp.path(), fs::perms(0750));
    ScopedVariable variable("VEXO_PREFIX", temp.path().string());
    ASSERT_EQ(EnsureMachinePrefix(), temp.path().string());
    EXPECT_EQ(Permissions(temp.path()), 0750u);
    EXPECT_TRUE(fs::is_directory(temp.path() / "Program Files"));
}

TEST(EnsureMachinePrefix, FailsWhenAFileIsInTheWay) {
    TempFolder temp;
    ASSERT_FALSE(temp.path().empty());
    WriteFile(temp.path() / "file", "x");
    {
        ScopedVariable variable("VEXO_PREFIX", (temp.path() / "file").string());
        EXPECT_EQ(EnsureMachinePrefix(), std::nullopt);
    }
    {
        ScopedVariable variable("VEXO_PREFIX", (temp.path() / "file" / "below").string());
        EXPECT_EQ(EnsureMachinePrefix(), std::nullopt);
    }
    WriteFile(temp.path() / "prefix" / "Program Files", "x");
    ScopedVariable variable("VEXO_PREFIX", (temp.path() / "prefix").string());
    EXPECT_EQ(EnsureMachinePrefix(), std::nullopt);
}

}  // namespace
}  // namespace common::test
