#include "common/own_program.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace common::test {
namespace {

struct SplitCase {
    std::string path;
    ProgramFile file;

    friend void PrintTo(const SplitCase& c, std::ostream* os) { *os << c.path; }
};

class ProgramFileFromPathTest : public testing::TestWithParam<SplitCase> {};

TEST_P(ProgramFileFromPathTest, SplitsFolderAndBaseName) {
    EXPECT_EQ(ProgramFileFromPath(GetParam().path), GetParam().file);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, ProgramFileFromPathTest,
    testing::Values(SplitCase{"/opt/vexo/Plumex", {"/opt/vexo", "Plumex"}},
                    SplitCase{"/opt/vexo/Plumex.exe", {"/opt/vexo", "Plumex"}},
                    SplitCase{"/opt/vexo.d/setup.tar.gz", {"/opt/vexo.d", "setup.tar"}},
                    SplitCase{"/opt/vexo.d/setup", {"/opt/vexo.d", "setup"}},
                    SplitCase{"/opt/.hidden", {"/opt", ".hidden"}},
                    SplitCase{"/opt/trailing.", {"/opt", "trailing"}},
                    SplitCase{"/Plumex", {"/", "Plumex"}}, SplitCase{"Plumex.exe", {"", "Plumex"}},
                    SplitCase{"", {"", ""}}));

TEST(OwnProgramFile, NamesThisTestProgram) {
#ifdef _WIN32
    constexpr const char* kFileName = "common_tests.exe";
#else
    constexpr const char* kFileName = "common_tests";
#endif
    const ProgramFile own = OwnProgramFile();
    EXPECT_EQ(own.baseName, "common_tests");
    EXPECT_TRUE(std::filesystem::is_regular_file(std::filesystem::path(own.folder) / kFileName))
        << own.folder;
}

}  // namespace
}  // namespace common::test
