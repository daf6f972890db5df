// Every corruption of a package of three entries - an empty one, one of 40,000 bytes, and
// setup.exe - through the worker on the fake machine: each payload byte complemented, each
// shorter payload, and the entry counts 0, 1, 4 and 0xFFFFFFFF. Each ends with the box the
// payload's layout calls for, or installs where the byte is no part of a name or the name stays a
// plain file name; setup.exe is never started after a failure; nothing is written but directly
// in the temporary folder, and nothing is left there.
#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "packager/message_boxes.h"
#include "tests/packager/fake_worker_world.h"
#include "tests/packager/payload_damage.h"
#include "tests/packager/test_packages.h"

namespace packager::test {
namespace {

using testing_support::Bytes;
using testing_support::ExpectedRun;
using testing_support::PatternBytes;
using testing_support::PayloadDamage;
using testing_support::PayloadLayout;
using testing_support::RunResult;
using testing_support::TestEntry;
using testing_support::WorkerRun;

const std::vector<TestEntry> kEntries = {{"EMPTY.DAT", {}, {}},
                                         {"Plumex.CAB", PatternBytes(40000, 1), {}},
                                         {"setup.exe", PatternBytes(1000, 2), {}}};

// What a run did, in the terms its damage is expected in.
struct Observed {
    int exitCode = 1;
    std::vector<std::string> boxes;  // their captions
    bool setupAsked = false;
    bool setupStarted = false;
    std::vector<std::string> filesAtSetup;
    bool onlyInTheFolder = true;  // every file created directly in the one new folder, and closed
    bool nothingLeft = true;

    friend bool operator==(const Observed&, const Observed&) = default;
};

// A name with its bytes outside printable ASCII as \xNN.
std::string Quoted(const std::string& name) {
    std::ostringstream text;
    text << '"' << std::hex;
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7F) {
            text << c;
        } else {
            text << "\\x" << static_cast<int>(byte);
        }
    }
    return text.str() + '"';
}

std::ostream& operator<<(std::ostream& out, const Observed& o) {
    out << "{exit " << o.exitCode << ", boxes";
    for (const std::string& box : o.boxes) {
        out << " \"" << box << "\"";
    }
    out << ", setup asked " << o.setupAsked << ", started " << o.setupStarted << ", files";
    for (const std::string& file : o.filesAtSetup) {
        out << " " << Quoted(file);
    }
    return out << ", only in the folder " << o.onlyInTheFolder << ", nothing left " << o.nothingLeft
               << "}";
}

Observed Expected(const ExpectedRun& expected) {
    Observed observed;
    switch (expected.result) {
        case RunResult::Installs:
            observed.setupAsked = observed.setupStarted = true;
            observed.filesAtSetup = expected.files;
            break;
        case RunResult::ExtractionFailure:
            observed.boxes = {std::string(kExtractionFailureBox.caption)};
            break;
        case RunResult::SetupFailure:
            // Asked for, but there is no such file to start.
            observed.boxes = {std::string(kSetupFailureBox.caption)};
            observed.setupAsked = true;
            break;
    }
    return observed;
}

Observed Observe(const WorkerRun& run) {
    const testing_support::FakePlatform& machine = run.platform;
    Observed observed;
    observed.exitCode = run.exitCode;
    for (const MessageBoxSpec& box : run.view.boxes) {
        observed.boxes.emplace_back(box.caption);
    }
    observed.setupAsked = std::any_of(run.log.begin(), run.log.end(),
                                      [](const std::string& e) { return e.starts_with("start "); });
    observed.setupStarted = machine.startedProgram.has_value();
    for (const auto& file : run.filesAtSetup) {
        observed.filesAtSetup.push_back(file.first);
    }
    // The fake machine records each file by its path as resolved, ".." and all.
    observed.onlyInTheFolder =
        machine.createdFolders.size() <= 1 && machine.openFiles.empty() &&
        std::all_of(machine.createdFiles.begin(), machine.createdFiles.end(),
                    [&](const std::string& path) {
                        return !machine.createdFolders.empty() &&
                               path.substr(0, path.rfind(testing_support::kSeparator)) ==
                                   machine.createdFolders.front();
                    });
    observed.nothingLeft = run.OnlyTempFolderLeft();
    return observed;
}

TEST(CorruptPackageTest, EveryDamageEndsAsTheLayoutSaysAndLeavesNothing) {
    const testing_support::BuiltPackage package = testing_support::BuildPackage(kEntries);
    const PayloadLayout layout(testing_support::ShapesOf(kEntries));
    const std::vector<PayloadDamage> damages = layout.EveryDamage();
    std::vector<std::string> mismatches;
    for (const PayloadDamage& damage : damages) {
        Bytes bytes = package.bytes;
        Apply(damage, bytes, package.payloadOffset);
        WorkerRun run(bytes);
        run.Run();
        const Observed expected = Expected(layout.Expect(damage));
        const Observed observed = Observe(run);
        if (observed != expected) {
            std::ostringstream text;
            text << layout.Describe(damage) << ": expected " << expected << ", got " << observed;
            mismatches.push_back(text.str());
        }
    }
    RecordProperty("cases", static_cast<int>(damages.size()));
    std::ostringstream first;
    for (std::size_t i = 0; i < std::min<std::size_t>(mismatches.size(), 20); ++i) {
        first << mismatches[i] << "\n";
    }
    EXPECT_EQ(mismatches.size(), 0u) << "of " << damages.size() << " cases, first:\n"
                                     << first.str();
}

}  // namespace
}  // namespace packager::test
