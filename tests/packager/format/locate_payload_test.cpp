#include "packager/format/locate_payload.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "importer/itunes/library/pe_image.h"
#include "tests/packager/format/recording_source.h"
#include "tests/packager/format/synthetic_stubs.h"
#include "tests/support/files.h"

namespace packager::format::test {
namespace {

using testing_support::BuildElfStub;
using testing_support::BuildPeStub;
using testing_support::Bytes;
using testing_support::ElfSection;
using testing_support::ElfSegment;
using testing_support::ElfStubSpec;
using testing_support::PeStubSpec;
using testing_support::RecordingSource;
using testing_support::TypicalElf;

struct LocateCase {
    std::string name;
    Bytes image;
    LocateResult result;
    std::uint64_t offset = 0;
};

void PrintTo(const LocateCase& c, std::ostream* out) {
    *out << c.name;
}

LocateCase Located(std::string name, Bytes image, std::uint64_t offset) {
    return {std::move(name), std::move(image), LocateResult::Located, offset};
}

LocateCase Fails(std::string name, Bytes image) {
    return {std::move(name), std::move(image), LocateResult::Failed, 0};
}

template <typename Change>
PeStubSpec Pe(Change&& change) {
    PeStubSpec spec;
    change(spec);
    return spec;
}

template <typename Change>
ElfStubSpec Elf(bool is64, Change&& change) {
    ElfStubSpec spec = TypicalElf(is64);
    change(spec);
    return spec;
}

std::vector<LocateCase> PeCases() {
    const auto headersEnd = [](const PeStubSpec& spec) {
        return spec.peHeaderOffset + 248 + 40 * spec.sections.size();
    };
    return {
        Located("TypicalTwoSections", BuildPeStub({}), 0x600),
        Located("WrittenByPewriter", itunes::library::BuildPeImage({}),
                itunes::library::BuildPeImage({}).size()),
        Located("LastHeaderInTableOrderNotTheFurthest", BuildPeStub(Pe([](auto& s) {
                    s.sections = {{0x400, 0x200}, {0x200, 0x100}};
                })),
                0x300),
        Located("OnlyTheLow16BitsOfTheNewHeaderOffset",
                BuildPeStub(Pe([](auto& s) { s.newHeaderField = 0x00010080; })), 0x600),
        Located("SignatureIsNotChecked", BuildPeStub(Pe([](auto& s) { s.signature = false; })),
                0x600),
        Located("DeclaredOptionalHeaderSizeIsNotConsulted",
                BuildPeStub(Pe([](auto& s) { s.optionalHeaderBytes = 240; })), 0x600),
        Located("PayloadOffsetBeyond32Bits", BuildPeStub(Pe([](auto& s) {
                    s.sections = {{0xFFFFFF00, 0x200}};
                    s.fileSize = 0x400;
                })),
                0x100000100),
        Fails("Empty", {}),
        Fails("OneByte", {'M'}),
        Fails("NeitherMzNorElf", {'Z', 'M', 0, 0, 0, 0, 0, 0}),
        Fails("OnlyMz", {'M', 'Z'}),
        Fails("DosHeaderCutShort", BuildPeStub(Pe([](auto& s) { s.fileSize = 65; }))),
        Fails("PeHeaderBeyondTheEnd", BuildPeStub(Pe([](auto& s) { s.newHeaderField = 0xF000; }))),
        Fails("PeHeadersCutShort", BuildPeStub(Pe([](auto& s) { s.fileSize = 0x80 + 247; }))),
        Fails("NoSections", BuildPeStub(Pe([](auto& s) { s.sectionCount = 0; }))),
        Fails("SectionTableCutShort",
              BuildPeStub(Pe([&](auto& s) { s.fileSize = headersEnd(s) - 1; }))),
        Fails("MoreSectionsCountedThanThereAre", BuildPeStub(Pe([&](auto& s) {
                  s.sectionCount = 3;
                  s.fileSize = headersEnd(s);
              }))),
    };
}

std::vector<LocateCase> ElfCases() {
    std::vector<LocateCase> cases;
    for (bool is64 : {true, false}) {
        const std::string bits = is64 ? "64" : "32";
        const std::uint16_t section = testing_support::SectionEntryBytes(is64);
        const std::uint16_t program = testing_support::ProgramEntryBytes(is64);
        const std::uint64_t typicalEnd = 0x440 + 4 * section;
        cases.push_back(Located("Typical" + bits, BuildElfStub(TypicalElf(is64)), typicalEnd));
        cases.push_back(Located("SectionAfterTheSectionTable" + bits,
                                BuildElfStub(Elf(is64,
                                                 [](auto& s) {
                                                     s.sections.push_back({1, 0x1000, 0x80});
                                                 })),
                                0x1080));
        cases.push_back(Located("SegmentBeyondEverything" + bits,
                                BuildElfStub(Elf(is64,
                                                 [](auto& s) {
                                                     s.segments.push_back({1, 0x2000, 0x10});
                                                 })),
                                0x2010));
        cases.push_back(
            Located("EmptyAndNullEntriesDoNotCount" + bits,
                    BuildElfStub(Elf(is64,
                                     [](auto& s) {
                                         s.sections.push_back({8, 0x5000, 0x100});  // SHT_NOBITS
                                         s.sections.push_back({1, 0x6000, 0});
                                         s.segments.push_back({0, 0x7000, 0x10});  // PT_NULL
                                         s.segments.push_back({1, 0x8000, 0});
                                     })),
                    0x440 + 6 * section));
        cases.push_back(Located("ProgramHeaderTableLast" + bits,
                                BuildElfStub(Elf(is64, [](auto& s) { s.programOffset = 0x3000; })),
                                0x3000 + 3 * program));
        cases.push_back(Located("NoSectionTable" + bits,
                                BuildElfStub(Elf(is64,
                                                 [](auto& s) {
                                                     s.sections.clear();
                                                     s.sectionOffset = 0;
                                                 })),
                                0x400));
        cases.push_back(Located("HeaderOnly" + bits,
                                BuildElfStub(Elf(is64,
                                                 [](auto& s) {
                                                     s.sections.clear();
                                                     s.segments.clear();
                                                     s.sectionOffset = 0;
                                                     s.programOffset = 0;
                                                 })),
                                testing_support::HeaderBytes(is64)));

        cases.push_back(
            Fails("BigEndian" + bits, BuildElfStub(Elf(is64, [](auto& s) { s.byteOrder = 2; }))));
        cases.push_back(Fails("CutInsideTheHeader" + bits, BuildElfStub(Elf(is64, [](auto& s) {
                                  s.fileSize = testing_support::HeaderBytes(s.is64) - 1;
                              }))));
        cases.push_back(Fails(
            "CutInsideTheProgramHeaders" + bits, BuildElfStub(Elf(is64, [](auto& s) {
                s.fileSize = s.programOffset + 3 * testing_support::ProgramEntryBytes(s.is64) - 1;
            }))));
        cases.push_back(
            Fails("CutInsideTheSectionHeaders" + bits, BuildElfStub(Elf(is64, [](auto& s) {
                      s.fileSize = testing_support::ElfSectionTableEnd(s) - 1;
                  }))));
        cases.push_back(Fails("ExtendedSectionNumbering" + bits,
                              BuildElfStub(Elf(is64, [](auto& s) { s.sectionCount = 0; }))));
        cases.push_back(Fails("ExtendedProgramNumbering" + bits,
                              BuildElfStub(Elf(is64, [](auto& s) { s.programCount = 0xFFFF; }))));
        cases.push_back(Fails("SectionEntriesTooSmall" + bits, BuildElfStub(Elf(is64, [](auto& s) {
                                  s.sectionEntryBytes = static_cast<std::uint16_t>(
                                      testing_support::SectionEntryBytes(s.is64) - 4);
                              }))));
        cases.push_back(Fails("ProgramEntriesTooSmall" + bits, BuildElfStub(Elf(is64, [](auto& s) {
                                  s.programEntryBytes = static_cast<std::uint16_t>(
                                      testing_support::ProgramEntryBytes(s.is64) - 4);
                              }))));
    }
    cases.push_back(Fails("SectionEndOverflows", BuildElfStub(Elf(true, [](auto& s) {
                              s.sections.push_back({1, 0xFFFFFFFFFFFFFF00u, 0x200});
                              s.fileSize = testing_support::ElfSectionTableEnd(s);
                          }))));
    cases.push_back(Fails("UnknownClass", [] {
        Bytes image = BuildElfStub(TypicalElf(true));
        image[4] = 3;
        return image;
    }()));
    cases.push_back(Fails("NotElfAfterTheFirstTwoBytes", [] {
        Bytes image = BuildElfStub(TypicalElf(true));
        image[3] = 'X';
        return image;
    }()));
    return cases;
}

class LocatePayloadTest : public testing::TestWithParam<LocateCase> {};

TEST_P(LocatePayloadTest, FindsWhereTheImageEnds) {
    const LocateCase& c = GetParam();
    RecordingSource source(c.image);
    const PayloadLocation location = LocatePayload(source, [] { return false; });
    ASSERT_EQ(location.result, c.result);
    if (c.result == LocateResult::Located) {
        EXPECT_EQ(location.offset, c.offset);
    }
}

std::string CaseName(const testing::TestParamInfo<LocateCase>& c) {
    return c.param.name;
}

INSTANTIATE_TEST_SUITE_P(Pe, LocatePayloadTest, testing::ValuesIn(PeCases()), CaseName);
INSTANTIATE_TEST_SUITE_P(Elf, LocatePayloadTest, testing::ValuesIn(ElfCases()), CaseName);

TEST(LocatePayload, NamesTheStubFormat) {
    const Bytes peImage = BuildPeStub({});
    common::MemoryByteSource pe(peImage);
    EXPECT_EQ(LocatePayload(pe, {}).format, StubFormat::Pe);
    const Bytes elfImage = BuildElfStub(TypicalElf(false));
    common::MemoryByteSource elf(elfImage);
    EXPECT_EQ(LocatePayload(elf, {}).format, StubFormat::Elf);
}

TEST(LocatePayload, FindsTheEndOfThisTestProgram) {
    const Bytes image = vexo::test_support::ReadBytes("/proc/self/exe");
    ASSERT_GT(image.size(), 0u);
    common::MemoryByteSource source(image);
    const PayloadLocation location = LocatePayload(source, {});
    ASSERT_EQ(location.result, LocateResult::Located);
    EXPECT_EQ(location.format, StubFormat::Elf);
    EXPECT_EQ(location.offset, image.size());
}

// Each stub is located with the query answering yes at its first, second, ... asking: the
// operation must stop right there, without touching the source again.
class CancelEachStepTest : public testing::TestWithParam<LocateCase> {};

TEST_P(CancelEachStepTest, StopsAtOnceWhenTheQueryAnswersYes) {
    const Bytes& image = GetParam().image;
    int askings = 0;
    {
        common::MemoryByteSource source(image);
        ASSERT_EQ(LocatePayload(source, [&] { return ++askings, false; }).result,
                  LocateResult::Located);
    }
    EXPECT_GE(askings, 5);

    for (int cancelAt = 1; cancelAt <= askings; ++cancelAt) {
        RecordingSource source(image);
        int asked = 0;
        int operationsWhenCancelled = -1;
        const PayloadLocation location = LocatePayload(source, [&] {
            if (++asked < cancelAt) {
                return false;
            }
            operationsWhenCancelled = source.operations;
            return true;
        });
        EXPECT_EQ(location.result, LocateResult::Cancelled) << "cancelled at asking " << cancelAt;
        EXPECT_EQ(asked, cancelAt);
        EXPECT_EQ(source.operations, operationsWhenCancelled) << "asking " << cancelAt;
    }
}

TEST_P(CancelEachStepTest, FailsWhenAnyReadFails) {
    int operations = 0;
    {
        RecordingSource source(GetParam().image);
        ASSERT_EQ(LocatePayload(source, {}).result, LocateResult::Located);
        operations = source.operations;
    }
    for (int failing = 1; failing <= operations; ++failing) {
        RecordingSource source(GetParam().image);
        source.failOperation = failing;
        EXPECT_EQ(LocatePayload(source, {}).result, LocateResult::Failed)
            << "operation " << failing;
    }
}

INSTANTIATE_TEST_SUITE_P(Stubs, CancelEachStepTest,
                         testing::Values(Located("Pe", BuildPeStub({}), 0),
                                         Located("Elf64", BuildElfStub(TypicalElf(true)), 0),
                                         Located("Elf32", BuildElfStub(TypicalElf(false)), 0)),
                         CaseName);

}  // namespace
}  // namespace packager::format::test
