// Corrupt packages through the real program, end to end: twenty damages of a package of three
// entries - an empty one, one of 40,000 bytes, and a setup.exe that lists the files beside it -
// made from the built program. Each ends as the payload's layout says: its box on stderr,
// setup.exe started only when the package installs, nothing left in the temporary folder and
// nothing written in the caller's.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/packager/payload_damage.h"
#include "tests/packager/setup_sandbox.h"
#include "tests/packager/written_packages.h"
#include "tests/support/files.h"
#include "tests/support/scoped_environment.h"

namespace packager::test {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using testing_support::Bytes;
using testing_support::ExpectedRun;
using testing_support::NamedData;
using testing_support::PayloadDamage;
using testing_support::PayloadLayout;
using testing_support::RunResult;
using testing_support::SetupOutcome;
using namespace vexo::test_support;

// setup.exe writes to the marker the environment names, so that its size - and with it where
// each damage lies - is known before any test runs.
const std::vector<NamedData>& Entries() {
    static const std::vector<NamedData> entries = {
        {"EMPTY.DAT", {}},
        {"Plumex.CAB", Bytes(40000, 0x4D)},
        {"setup.exe",
         ToBytes("#!/bin/sh\n"
                 "cd \"$(dirname \"$0\")\" && LC_ALL=C ls >\"$VEXO_TEST_SETUP_MARKER\"\n")}};
    return entries;
}

const PayloadLayout& Layout() {
    static const PayloadLayout layout(testing_support::ShapesOf(Entries()));
    return layout;
}

std::size_t BoxesReported(const std::string& errors) {
    std::size_t boxes = 0;
    for (std::size_t at = errors.find("message box:"); at != std::string::npos;
         at = errors.find("message box:", at + 1)) {
        ++boxes;
    }
    return boxes;
}

class VexoSetupCorruptPackageTest : public ::testing::TestWithParam<PayloadDamage> {
  protected:
    testing_support::SetupSandbox sandbox_;
};

TEST_P(VexoSetupCorruptPackageTest, EndsAsTheLayoutSaysAndLeavesNothing) {
    const Bytes stub = ReadBytes(VEXO_SETUP_PATH);
    Bytes package = testing_support::MakePackage(stub, Entries());
    Apply(GetParam(), package, stub.size());
    const fs::path marker = sandbox_.Marker();
    const ScopedVariable markerVariable("VEXO_TEST_SETUP_MARKER", marker.string());
    const SetupOutcome outcome = sandbox_.Run(package);

    const ExpectedRun expected = Layout().Expect(GetParam());
    EXPECT_EQ(outcome.exitCode, 0) << outcome.errors;
    EXPECT_EQ(BoxesReported(outcome.errors), expected.result == RunResult::Installs ? 0u : 1u)
        << outcome.errors;
    if (expected.result == RunResult::ExtractionFailure) {
        EXPECT_THAT(outcome.errors, HasSubstr(testing_support::kExtractionFailureReport));
    }
    if (expected.result == RunResult::SetupFailure) {
        EXPECT_THAT(outcome.errors, HasSubstr(testing_support::kSetupFailureReport));
    }
    if (expected.result == RunResult::Installs) {
        EXPECT_EQ(Lines(ReadText(marker)), expected.files);
    } else {
        EXPECT_FALSE(fs::exists(marker));
    }
    EXPECT_THAT(sandbox_.TempFolderContents(), IsEmpty());
    EXPECT_TRUE(fs::is_empty(sandbox_.Scratch() / "caller"));
}

INSTANTIATE_TEST_SUITE_P(Sample, VexoSetupCorruptPackageTest,
                         ::testing::ValuesIn(Layout().Sample()),
                         [](const ::testing::TestParamInfo<PayloadDamage>& damage) {
                             return TestName(Layout(), damage.param);
                         });

}  // namespace
}  // namespace packager::test
