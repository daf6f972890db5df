#include "tools/packagewriter/package_writer.h"

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "importer/itunes/library/pe_image.h"
#include "packager/format/check_value.h"
#include "packager/format/payload_reader.h"
#include "tests/packager/format/recording_source.h"
#include "tests/packager/format/synthetic_stubs.h"

namespace packagewriter::test {
namespace {

using namespace packager::format;

using testing_support::BuildElfStub;
using testing_support::BuildPeStub;
using testing_support::Bytes;
using testing_support::PeStubSpec;
using testing_support::TypicalElf;

Bytes Pattern(std::size_t size, std::uint8_t seed) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<std::uint8_t>(seed ^ (i * 31));
    }
    return bytes;
}

// Entries over bytes held by the fixture.
class Files {
  public:
    Files& Add(std::string name, Bytes data) {
        data_.push_back(std::make_unique<Bytes>(std::move(data)));
        sources_.push_back(std::make_unique<common::MemoryByteSource>(*data_.back()));
        entries_.push_back({std::move(name), sources_.back().get(), data_.back()->size()});
        return *this;
    }
    std::vector<PackageEntry>& Entries() { return entries_; }
    const Bytes& Data(std::size_t i) const { return *data_[i]; }

  private:
    std::vector<std::unique_ptr<Bytes>> data_;
    std::vector<std::unique_ptr<common::MemoryByteSource>> sources_;
    std::vector<PackageEntry> entries_;
};

Files TypicalFiles() {
    Files files;
    files.Add("Plumex.CAB", Pattern(40'000, 1))
        .Add("setup.exe", Pattern(16'384, 2))
        .Add("SETUP.LST", {});
    return files;
}

struct StubCase {
    std::string name;
    Bytes stub;
    StubFormat format;
};

void PrintTo(const StubCase& c, std::ostream* out) {
    *out << c.name;
}

class PackageRoundTripTest : public testing::TestWithParam<StubCase> {};

TEST_P(PackageRoundTripTest, WritesWhatTheReaderFinds) {
    const Bytes& stub = GetParam().stub;
    Files files = TypicalFiles();
    VectorByteSink sink;
    const WriteOutcome outcome = WritePackage(stub, files.Entries(), sink);
    ASSERT_TRUE(outcome.ok) << outcome.message;
    const Bytes& package = sink.Bytes();
    ASSERT_GE(package.size(), stub.size());
    EXPECT_TRUE(std::equal(stub.begin(), stub.end(), package.begin())) << "stub changed";

    common::MemoryByteSource source(package);
    const PayloadLocation location = LocatePayload(source, {});
    ASSERT_EQ(location.result, LocateResult::Located);
    EXPECT_EQ(location.format, GetParam().format);
    EXPECT_EQ(location.offset, stub.size());

    PayloadReader reader(source, location.offset);
    ASSERT_EQ(reader.ReadEntryCount(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        const auto header = reader.ReadEntryHeader();
        ASSERT_TRUE(header.has_value());
        EXPECT_EQ(header->Name(), files.Entries()[i].name);
        Bytes data(header->size);
        ASSERT_TRUE(reader.ReadEntryData(data));
        EXPECT_EQ(data, files.Data(i));
        EXPECT_EQ(header->checkValue, ComputeCheckValue(files.Data(i)));
    }
    EXPECT_EQ(package.size(), stub.size() + 4 + 3 * 268 + 40'000 + 16'384);
}

std::string StubCaseName(const testing::TestParamInfo<StubCase>& c) {
    return c.param.name;
}

INSTANTIATE_TEST_SUITE_P(
    Stubs, PackageRoundTripTest,
    testing::Values(StubCase{"SyntheticPe", BuildPeStub({}), StubFormat::Pe},
                    StubCase{"PewriterPe", itunes::library::BuildPeImage({}), StubFormat::Pe},
                    StubCase{"Elf64", BuildElfStub(TypicalElf(true)), StubFormat::Elf},
                    StubCase{"Elf32", BuildElfStub(TypicalElf(false)), StubFormat::Elf}),
    StubCaseName);

struct RefusedStub {
    std::string name;
    Bytes stub;
    std::string reason;  // part of the message
};

void PrintTo(const RefusedStub& c, std::ostream* out) {
    *out << c.name;
}

template <typename Change>
Bytes Pe(Change&& change) {
    PeStubSpec spec;
    change(spec);
    return BuildPeStub(spec);
}

std::vector<RefusedStub> RefusedStubs() {
    Bytes elfWithTail = BuildElfStub(TypicalElf(true));
    elfWithTail.resize(elfWithTail.size() + 16);
    Bytes bigEndian = BuildElfStub(TypicalElf(false));
    bigEndian[5] = 2;
    return {
        {"NotAnExecutable", {'#', '!', '/', 'b', 'i', 'n'}, "neither"},
        {"Empty", {}, "neither"},
        {"NoSections", Pe([](auto& s) { s.sectionCount = 0; }), "no sections"},
        {"PeHeaderAt65536", Pe([](auto& s) { s.newHeaderField = 0x10080; }), "below 65,536"},
        {"NoPeSignature", Pe([](auto& s) { s.signature = false; }), "PE signature"},
        {"Pe32PlusOptionalHeader", Pe([](auto& s) { s.optionalHeaderBytes = 240; }), "224"},
        {"CertificateAfterTheLastSection", Pe([](auto& s) { s.fileSize = 0x700; }),
         "256 bytes follow"},
        {"CutShort", Pe([](auto& s) { s.fileSize = 0x500; }), "cut short"},
        {"PeHeadersCutShort", Pe([](auto& s) { s.fileSize = 0x100; }), "cut short"},
        {"ElfWithDataAfterTheImage", elfWithTail, "16 bytes follow"},
        {"BigEndianElf", bigEndian, "little-endian"},
    };
}

class RefusedStubTest : public testing::TestWithParam<RefusedStub> {};

TEST_P(RefusedStubTest, IsRefusedWithAReason) {
    Files files = TypicalFiles();
    VectorByteSink sink;
    const WriteOutcome outcome = WritePackage(GetParam().stub, files.Entries(), sink);
    EXPECT_FALSE(outcome.ok);
    EXPECT_NE(outcome.message.find(GetParam().reason), std::string::npos) << outcome.message;
    EXPECT_TRUE(sink.Bytes().empty());
}

INSTANTIATE_TEST_SUITE_P(Stubs, RefusedStubTest, testing::ValuesIn(RefusedStubs()),
                         [](const testing::TestParamInfo<RefusedStub>& c) { return c.param.name; });

struct RefusedName {
    std::string name;
    std::string reason;
};

class RefusedNameTest : public testing::TestWithParam<RefusedName> {};

TEST_P(RefusedNameTest, IsRefusedBeforeAnythingIsWritten) {
    Files files = TypicalFiles();
    files.Add(GetParam().name, Pattern(10, 9));
    VectorByteSink sink;
    const WriteOutcome outcome = WritePackage(BuildPeStub({}), files.Entries(), sink);
    EXPECT_FALSE(outcome.ok);
    EXPECT_NE(outcome.message.find(GetParam().reason), std::string::npos) << outcome.message;
    EXPECT_TRUE(sink.Bytes().empty());
}

INSTANTIATE_TEST_SUITE_P(Names, RefusedNameTest,
                         testing::Values(RefusedName{"", "empty name"},
                                         RefusedName{"sub/file.txt", "folder part"},
                                         RefusedName{"..\\up.txt", "folder part"},
                                         RefusedName{"C:x", "\":\""}, RefusedName{"..", "\"..\""},
                                         RefusedName{std::string("a\0b", 3), "NUL"},
                                         RefusedName{std::string(260, 'n'), "260 bytes long"},
                                         RefusedName{"nul.txt", "device name"},
                                         RefusedName{"setup.exe ", "dot or a blank"}));

// Names of 256 to 259 bytes fit the format and a Windows stub, not the file systems the Linux
// stub extracts on.
TEST(PackageWriter, TakesLinuxNameLimitsForTheElfStubOnly) {
    Files files = TypicalFiles();
    files.Add(std::string(256, 'n'), Pattern(10, 9));
    VectorByteSink pe;
    EXPECT_TRUE(WritePackage(BuildPeStub({}), files.Entries(), pe).ok);
    VectorByteSink elf;
    const WriteOutcome refused = WritePackage(BuildElfStub(TypicalElf(true)), files.Entries(), elf);
    EXPECT_FALSE(refused.ok);
    EXPECT_NE(refused.message.find("256 bytes long"), std::string::npos) << refused.message;
    EXPECT_TRUE(elf.Bytes().empty());
}

// Asked before every block of both passes, the writer stops at once when told to.
TEST(PackageWriter, StopsAtTheBlockItIsToldTo) {
    Files files = TypicalFiles();
    files.Add("large.bin", Pattern(4 << 20, 3));
    int asked = 0;
    PackageOptions options;
    options.stopRequested = [&asked] { return ++asked == 3; };
    VectorByteSink sink;
    const WriteOutcome outcome = WritePackage(BuildPeStub({}), files.Entries(), sink, options);
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.message, "interrupted");
    EXPECT_EQ(asked, 3);
}

TEST(PackageWriter, WantsASetupProgramUnlessToldOtherwise) {
    Files files;
    files.Add("readme.txt", Pattern(5, 1));
    VectorByteSink sink;
    const WriteOutcome refused = WritePackage(BuildPeStub({}), files.Entries(), sink);
    EXPECT_FALSE(refused.ok);
    EXPECT_NE(refused.message.find("setup.exe"), std::string::npos) << refused.message;

    const WriteOutcome written =
        WritePackage(BuildPeStub({}), files.Entries(), sink, {.requireSetupEntry = false});
    EXPECT_TRUE(written.ok) << written.message;
}

TEST(PackageWriter, WritesAnEmptyPayload) {
    VectorByteSink sink;
    ASSERT_TRUE(WritePayload({}, sink, {.requireSetupEntry = false}).ok);
    EXPECT_EQ(sink.Bytes(), (Bytes{0, 0, 0, 0}));
}

TEST(PackageWriter, RefusesEntriesOf4GiB) {
    Files files = TypicalFiles();
    files.Entries()[0].size = std::uint64_t{1} << 32;
    VectorByteSink sink;
    const WriteOutcome outcome = WritePayload(files.Entries(), sink);
    EXPECT_FALSE(outcome.ok);
    EXPECT_NE(outcome.message.find("4294967296 bytes"), std::string::npos) << outcome.message;
}

// A file that reads differently the second time, as one being written to while packaged.
class ChangingSource final : public common::ByteSource {
  public:
    std::uint64_t Size() const override { return 100; }
    bool ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) override {
        passes_ += offset == 0 ? 1 : 0;
        std::fill(out.begin(), out.end(), static_cast<std::uint8_t>(passes_));
        return true;
    }

  private:
    int passes_ = 0;
};

TEST(PackageWriter, RefusesAFileThatChangesWhileItIsPackaged) {
    ChangingSource changing;
    std::vector<PackageEntry> entries{{"setup.exe", &changing, 100}};
    VectorByteSink sink;
    const WriteOutcome outcome = WritePayload(entries, sink);
    EXPECT_FALSE(outcome.ok);
    EXPECT_NE(outcome.message.find("changed"), std::string::npos) << outcome.message;
}

TEST(PackageWriter, ReportsAnEntryThatCannotBeRead) {
    const Bytes data = Pattern(100, 1);
    testing_support::RecordingSource source(data);
    source.failOperation = 1;  // the first read
    std::vector<PackageEntry> entries{{"setup.exe", &source, data.size()}};
    VectorByteSink sink;
    const WriteOutcome outcome = WritePayload(entries, sink);
    EXPECT_FALSE(outcome.ok);
    EXPECT_NE(outcome.message.find("cannot read the entry \"setup.exe\""), std::string::npos)
        << outcome.message;
}

class FailingSink final : public ByteSink {
  public:
    explicit FailingSink(int failAt) : failAt_(failAt) {}
    bool Write(std::span<const std::uint8_t>) override { return ++writes_ != failAt_; }
    int Writes() const { return writes_; }

  private:
    int failAt_;
    int writes_ = 0;
};

TEST(PackageWriter, ReportsEveryFailedWrite) {
    Files files = TypicalFiles();
    const Bytes stub = BuildElfStub(TypicalElf(true));
    FailingSink counting(0);
    ASSERT_TRUE(WritePackage(stub, files.Entries(), counting).ok);
    const int writes = counting.Writes();
    EXPECT_EQ(writes, 1 + 1 + 3 + 2);  // stub, count, headers, data of the two non-empty entries
    for (int failAt = 1; failAt <= writes; ++failAt) {
        FailingSink sink(failAt);
        const WriteOutcome outcome = WritePackage(stub, files.Entries(), sink);
        EXPECT_FALSE(outcome.ok) << "write " << failAt;
        EXPECT_EQ(outcome.message, "cannot write the package") << "write " << failAt;
    }
}

}  // namespace
}  // namespace packagewriter::test
