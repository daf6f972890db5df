#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "importer/itunes/library/pe_image.h"
#include "packager/format/check_value.h"
#include "packager/format/entry_header.h"
#include "tests/support/files.h"
#include "tests/support/temp_folder.h"
#include "tools/vexo/command.h"
#include "tools/vexo/crc_command.h"

namespace vexo::cli::test {
namespace {

namespace fs = std::filesystem;
using testing::ContainsRegex;
using testing::HasSubstr;
using namespace vexo::test_support;

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

Outcome Vexo(std::vector<std::string> args) {
    const std::vector<std::string_view> views(args.begin(), args.end());
    std::ostringstream out;
    std::ostringstream err;
    const int status = RunTool(views, out, err);
    return {status, out.str(), err.str()};
}

Bytes Pattern(std::size_t size, std::uint8_t seed) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<std::uint8_t>(seed ^ (i * 31) ^ (i >> 9));
    }
    return bytes;
}

std::string Hex(const Bytes& bytes) {
    return HexCheckValue(packager::format::ComputeCheckValue(bytes));
}

enum class StubKind { Pe, Pe64, PeWithTail, Elf, NotAProgram, Missing };

// A folder of its own with a stub of the wanted kind in it.
class PackageTest : public testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(temp_.Ok()); }

    std::string Path(std::string_view name) const { return temp_ / name; }

    // The stub's path. The PE stubs are written with mode 0640, so that the package's mode
    // shows the rule.
    std::string MakeStub(StubKind kind) {
        const std::string path = Path("stub");
        Bytes bytes;
        switch (kind) {
            case StubKind::Pe:
                bytes = itunes::library::BuildPeImage({});
                break;
            case StubKind::Pe64:
                bytes = itunes::library::BuildPeImage(
                    {}, {.format = itunes::library::ImageFormat::Pe32Plus});
                break;
            case StubKind::PeWithTail:
                bytes = itunes::library::BuildPeImage({});
                bytes.resize(bytes.size() + 16, 0xCC);  // as a signature would be
                break;
            case StubKind::Elf:
                return fs::read_symlink("/proc/self/exe").string();  // this test program
            case StubKind::NotAProgram:
                bytes = ToBytes("#!/bin/sh\n");
                break;
            case StubKind::Missing:
                return path;
        }
        EXPECT_TRUE(WriteBytes(path, bytes)) << path;
        fs::permissions(path, fs::perms(0640));
        return path;
    }

    // Writes each file (a path relative to the folder) and returns their paths.
    std::vector<std::string> MakeFiles(const std::vector<std::pair<std::string, Bytes>>& files) {
        std::vector<std::string> paths;
        for (const auto& [name, bytes] : files) {
            EXPECT_TRUE(WriteBytes(Path(name), bytes)) << name;
            paths.push_back(Path(name));
        }
        return paths;
    }

    Outcome Create(const std::string& stub, const std::vector<std::string>& files,
                   std::vector<std::string> options = {}) {
        std::vector<std::string> args = {"package",       "create", "-o",
                                         Path("out.exe"), "--stub", stub};
        args.insert(args.end(), options.begin(), options.end());
        args.insert(args.end(), files.begin(), files.end());
        return Vexo(args);
    }

    // Names in the folder that a failed write could have left behind.
    std::vector<std::string> Leftovers() const {
        std::vector<std::string> names;
        for (const fs::directory_entry& entry : fs::directory_iterator(temp_.path())) {
            if (entry.path().filename().string().starts_with(".vexo-package-")) {
                names.push_back(entry.path().filename().string());
            }
        }
        return names;
    }

  private:
    TempFolder temp_{"vexo-package"};
};

// --- create, then list -----------------------------------------------------------------------

class PackageRoundTripTest : public PackageTest, public testing::WithParamInterface<StubKind> {};

TEST_P(PackageRoundTripTest, ListFindsEveryEntryBehindTheUnchangedStub) {
    const std::string stub = MakeStub(GetParam());
    const Bytes big = Pattern(70'000, 3);  // more than one block of the copy and of the check
    const std::vector<std::string> files = MakeFiles({{"setup.exe", ToBytes("#!/bin/sh\nexit 0\n")},
                                                      {"nine", ToBytes("123456789")},
                                                      {"empty", {}},
                                                      {"sub/Plumex.CAB", big}});

    const Outcome created = Create(stub, files);
    ASSERT_EQ(created.status, kExitOk) << created.err;
    EXPECT_THAT(created.out, HasSubstr("4 entries, 70026 data bytes"));

    const Bytes stubBytes = ReadBytes(stub);
    const Bytes package = ReadBytes(Path("out.exe"));
    ASSERT_GT(package.size(), stubBytes.size());
    EXPECT_TRUE(std::equal(stubBytes.begin(), stubBytes.end(), package.begin()));
    EXPECT_EQ(package.size(),
              stubBytes.size() + 4 + 4 * packager::format::kEntryHeaderBytes + 70'026);

    const Outcome listed = Vexo({"package", "list", Path("out.exe")});
    EXPECT_EQ(listed.status, kExitOk) << listed.err;
    EXPECT_EQ(listed.err, "");
    EXPECT_THAT(listed.out, HasSubstr("4 entries\n"));
    EXPECT_THAT(listed.out, ContainsRegex("\nnine +9  FC891918  ok\n"));
    EXPECT_THAT(listed.out, ContainsRegex("\nempty +0  00000000  ok\n"));
    EXPECT_THAT(listed.out, ContainsRegex("\nPlumex.CAB +70000  " + Hex(big) + "  ok\n"));
    EXPECT_THAT(listed.out, HasSubstr("every check value matches\n"));

#ifndef _WIN32
    // Executable by everyone who may read the stub (Windows files have no such bits).
    const fs::perms expected = GetParam() == StubKind::Elf
                                   ? fs::status(stub).permissions() | fs::perms::owner_exec
                                   : fs::perms(0750);
    EXPECT_EQ(fs::status(Path("out.exe")).permissions(), expected);
#endif
    EXPECT_THAT(Leftovers(), testing::IsEmpty());
}

#ifdef _WIN32
INSTANTIATE_TEST_SUITE_P(Stubs, PackageRoundTripTest, testing::Values(StubKind::Pe));
#else
INSTANTIATE_TEST_SUITE_P(Stubs, PackageRoundTripTest, testing::Values(StubKind::Pe, StubKind::Elf));
#endif

TEST_F(PackageTest, NoSetupAllowsAPackageWithoutEntries) {
    const Outcome created = Create(MakeStub(StubKind::Pe), {}, {"--no-setup"});
    ASSERT_EQ(created.status, kExitOk) << created.err;
    const Outcome listed = Vexo({"package", "list", Path("out.exe")});
    EXPECT_EQ(listed.status, kExitOk) << listed.err;
    EXPECT_THAT(listed.out, HasSubstr("0 entries, 0 data bytes"));
    EXPECT_THAT(listed.out, HasSubstr("note: no entry is named \"setup.exe\""));
}

TEST_F(PackageTest, ASuccessfulCreateReplacesTheOldOutput) {
    ASSERT_TRUE(WriteBytes(Path("out.exe"), ToBytes("old")));
    const Outcome created =
        Create(MakeStub(StubKind::Pe), MakeFiles({{"setup.exe", ToBytes("new")}}));
    ASSERT_EQ(created.status, kExitOk) << created.err;
    EXPECT_GT(ReadBytes(Path("out.exe")).size(), 3u);
}

// --- create refuses, and the output keeps its bytes ------------------------------------------

struct Refusal {
    std::string label;
    StubKind stub = StubKind::Pe;
    std::vector<std::string> files;  // written with a few bytes each
    std::vector<std::string> extraArgs;
    std::string errContains;
};

class PackageRefusalTest : public PackageTest, public testing::WithParamInterface<Refusal> {};

TEST_P(PackageRefusalTest, RefusesWithOneLineAndLeavesTheOutputAlone) {
    const Refusal& c = GetParam();
    const Bytes old = ToBytes("the package of yesterday");
    ASSERT_TRUE(WriteBytes(Path("out.exe"), old));
    std::vector<std::pair<std::string, Bytes>> contents;
    for (const std::string& name : c.files) {
        contents.emplace_back(name, ToBytes(name));
    }
    std::vector<std::string> files = MakeFiles(contents);
    for (const std::string& extra : c.extraArgs) {
        if (extra == "folder") {
            fs::create_directories(Path("folder"));
        }
        files.push_back(Path(extra));
    }

    const Outcome run = Create(MakeStub(c.stub), files);
    EXPECT_EQ(run.status, kExitFailed);
    EXPECT_EQ(run.out, "");
    EXPECT_THAT(run.err, HasSubstr(c.errContains));
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_EQ(ReadBytes(Path("out.exe")), old);
    EXPECT_THAT(Leftovers(), testing::IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PackageRefusalTest,
    testing::Values(
        Refusal{"NoSetup", StubKind::Pe, {"readme.txt"}, {}, "no entry named \"setup.exe\""},
        Refusal{"Dots", StubKind::Pe, {"setup.exe", "x..y"}, {}, "holds \"..\""},
        // Duplicates are refused, though the format lets the later replace the earlier.
        Refusal{"SameName", StubKind::Pe, {"setup.exe", "sub/setup.exe"}, {}, "both be extracted"},
        Refusal{"SameNameButCase", StubKind::Pe, {"setup.exe", "sub/SETUP.EXE"}, {}, "both be"},
        Refusal{"MissingFile", StubKind::Pe, {"setup.exe"}, {"absent.bin"}, "absent.bin: cannot"},
        Refusal{"Folder", StubKind::Pe, {"setup.exe"}, {"folder"}, "folder: cannot be read"},
        Refusal{"DataAfterImage", StubKind::PeWithTail, {"setup.exe"}, {}, "16 bytes follow"},
        Refusal{"Pe64Stub", StubKind::Pe64, {"setup.exe"}, {}, "224 bytes"},
        Refusal{"NotAProgram", StubKind::NotAProgram, {"setup.exe"}, {}, "neither a Windows"},
        Refusal{"MissingStub", StubKind::Missing, {"setup.exe"}, {}, "stub: cannot be read"}),
    [](const testing::TestParamInfo<Refusal>& param) { return param.param.label; });

#ifndef _WIN32
// Names a POSIX file system allows but an extraction folder on Windows would not hold; on
// Windows no such file can be made to begin with.
INSTANTIATE_TEST_SUITE_P(
    PosixNames, PackageRefusalTest,
    testing::Values(
        Refusal{"Backslash", StubKind::Pe, {"setup.exe", "a\\b.txt"}, {}, "has a folder part"},
        Refusal{"Drive", StubKind::Pe, {"setup.exe", "c:d"}, {}, "holds \":\""}),
    [](const testing::TestParamInfo<Refusal>& param) { return param.param.label; });
#endif

TEST_F(PackageTest, AnOutputThatCannotBeReplacedStaysAsItWas) {
    fs::create_directories(Path("out.exe/inside"));
    const Outcome run = Create(MakeStub(StubKind::Pe), MakeFiles({{"setup.exe", ToBytes("x")}}));
    EXPECT_EQ(run.status, kExitFailed);
    EXPECT_THAT(run.err, HasSubstr("is unchanged"));
    EXPECT_TRUE(fs::is_directory(Path("out.exe/inside")));
    EXPECT_THAT(Leftovers(), testing::IsEmpty());
}

// --- list on damaged packages ----------------------------------------------------------------

// Offsets in a package of a PE stub and two entries: "setup.exe" (100 bytes), "second".
struct Layout {
    std::size_t payload;
    std::size_t header1;
    std::size_t header2;
    std::size_t data2;
};

struct Damage {
    std::string label;
    std::function<void(Bytes&, const Layout&)> apply;
    int status;
    std::string outContains;
    std::string errContains;
};

class PackageListDamageTest : public PackageTest, public testing::WithParamInterface<Damage> {};

TEST_P(PackageListDamageTest, ReportsWhichEntryAndWhy) {
    const Damage& c = GetParam();
    const std::string stub = MakeStub(StubKind::Pe);
    const Outcome created =
        Create(stub, MakeFiles({{"setup.exe", Pattern(100, 1)}, {"second", Pattern(70'000, 2)}}));
    ASSERT_EQ(created.status, kExitOk) << created.err;

    const std::size_t payload = ReadBytes(stub).size();
    const Layout layout{payload, payload + 4,
                        payload + 4 + packager::format::kEntryHeaderBytes + 100,
                        payload + 4 + 2 * packager::format::kEntryHeaderBytes + 100};
    Bytes package = ReadBytes(Path("out.exe"));
    c.apply(package, layout);
    ASSERT_TRUE(WriteBytes(Path("out.exe"), package));

    const Outcome run = Vexo({"package", "list", Path("out.exe")});
    EXPECT_EQ(run.status, c.status) << run.out << run.err;
    EXPECT_THAT(run.out, HasSubstr(c.outContains));
    EXPECT_THAT(run.err, HasSubstr(c.errContains));
}

void Truncate(Bytes& bytes, std::size_t size) {
    bytes.resize(size);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PackageListDamageTest,
    testing::Values(
        Damage{"FlippedDataByte", [](Bytes& p, const Layout& l) { p[l.data2 + 40'000] ^= 0x01; },
               kExitFailed, "  MISMATCH\n", "entry 2 of 2 (\"second\"): its data gives"},
        Damage{"FlippedCheckValue", [](Bytes& p, const Layout& l) { p[l.header1 + 264] ^= 0x80; },
               kExitFailed, "1 check value mismatch", "entry 1 of 2 (\"setup.exe\")"},
        Damage{"NameWithFolder", [](Bytes& p, const Layout& l) { p[l.header2 + 1] = '/'; },
               kExitFailed, "1 bad name", "has a folder part"},
        Damage{"NameWithoutNul",
               [](Bytes& p, const Layout& l) {
                   std::fill_n(p.begin() + static_cast<std::ptrdiff_t>(l.header2),
                               packager::format::kEntryNameBytes, 'n');
               },
               kExitFailed, "the package is corrupt", "holds no terminating NUL"},
        Damage{"CutInLastData", [](Bytes& p, const Layout& l) { Truncate(p, l.data2 + 5); },
               kExitFailed, "1 of 2 entries complete",
               "entry 2 of 2 (\"second\"): the file ends 5 bytes into its 70000 data bytes"},
        Damage{"CutInSecondHeader", [](Bytes& p, const Layout& l) { Truncate(p, l.header2 + 9); },
               kExitFailed, "1 of 2 entries complete",
               "entry 2 of 2: the file ends 9 bytes into its 268-byte header"},
        Damage{"CutAfterStub", [](Bytes& p, const Layout& l) { Truncate(p, l.payload); },
               kExitFailed, "", "nothing follows the stub's image"},
        Damage{"CutInCount", [](Bytes& p, const Layout& l) { Truncate(p, l.payload + 2); },
               kExitFailed, "", "inside the entry count"},
        Damage{"BytesAppended", [](Bytes& p, const Layout&) { p.resize(p.size() + 5, 0xEE); },
               kExitOk, "note: 5 bytes follow the last entry", ""},
        Damage{"NotAPackage", [](Bytes& p, const Layout&) { p = ToBytes("plain text"); },
               kExitFailed, "", "not a package: neither a Windows"}),
    [](const testing::TestParamInfo<Damage>& param) { return param.param.label; });

// --- crc ---------------------------------------------------------------------------------------

TEST_F(PackageTest, CrcPrintsEachReadableFileAndFailsForTheOthers) {
    const Bytes big = Pattern(200'000, 7);
    MakeFiles(
        {{"nine", ToBytes("123456789")}, {"abc", ToBytes("abc")}, {"empty", {}}, {"big", big}});
    const Outcome run =
        Vexo({"crc", Path("nine"), Path("absent"), Path("abc"), Path("empty"), Path("big")});
    EXPECT_EQ(run.status, kExitFailed);
    EXPECT_EQ(run.out, "FC891918  " + Path("nine") + "\n648CBB73  " + Path("abc") + "\n00000000  " +
                           Path("empty") + "\n" + Hex(big) + "  " + Path("big") + "\n");
    EXPECT_EQ(run.err, "vexo crc: " + Path("absent") + ": No such file or directory\n");
}

// --- usage -------------------------------------------------------------------------------------

struct UsageCase {
    std::vector<std::string> args;
    int status;
    std::string outContains;
    std::string errContains;
};

class PackageUsageTest : public testing::TestWithParam<UsageCase> {};

TEST_P(PackageUsageTest, AnswersWithTheRightStreamAndStatus) {
    const UsageCase& c = GetParam();
    const Outcome run = Vexo(c.args);
    EXPECT_EQ(run.status, c.status);
    EXPECT_THAT(run.out, HasSubstr(c.outContains));
    EXPECT_THAT(run.err, HasSubstr(c.errContains));
    EXPECT_EQ(run.out.empty(), c.outContains.empty()) << run.out;
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, PackageUsageTest,
    testing::Values(
        UsageCase{{"--help"}, kExitOk, "  package     write VEXOSetup packages", ""},
        UsageCase{{"package", "--help"}, kExitOk, "Usage: vexo package create -o OUT", ""},
        UsageCase{{"package", "create", "--help"}, kExitOk, "--no-setup  ", ""},
        UsageCase{{"package", "list", "-h"}, kExitOk, "Usage: vexo package list FILE", ""},
        UsageCase{{"crc", "--help"}, kExitOk, "Usage: vexo crc FILE...", ""},
        UsageCase{{"package"}, kExitUsage, "", "no subcommand given"},
        UsageCase{{"package", "pack"}, kExitUsage, "", "unknown subcommand \"pack\""},
        UsageCase{{"package", "create", "setup.exe"}, kExitUsage, "", "no output given"},
        UsageCase{{"package", "create", "-o", "p.exe"}, kExitUsage, "", "no FILE given"},
        UsageCase{{"package", "create", "setup.exe", "-o"}, kExitUsage, "", "-o needs a value"},
        UsageCase{{"package", "create", "-o", "a", "--output", "b", "f"},
                  kExitUsage,
                  "",
                  "--output is given twice"},
        UsageCase{
            {"package", "create", "-o", "a", "-x", "f"}, kExitUsage, "", "unknown option \"-x\""},
        UsageCase{{"package", "list"}, kExitUsage, "", "expected exactly one FILE"},
        UsageCase{{"package", "list", "a", "b"}, kExitUsage, "", "expected exactly one FILE"},
        UsageCase{{"crc"}, kExitUsage, "", "no FILE given"}));

}  // namespace
}  // namespace vexo::cli::test
