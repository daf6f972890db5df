// The install as one change on a fake machine: what it makes and what the uninstall removes
// again, the upgrade in place, the uninstall entry it picks, and the machine as it was after a
// failure or a power cut at any of its steps.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "packager/setup/installer.h"
#include "tests/packager/setup/fake_install_machine.h"

namespace setup {
namespace {

using ::testing::HasSubstr;
using testing_support::FakeInstallMachine;
using testing_support::MachinePath;
using testing_support::MachineState;

const std::string kUninstall = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const std::string kFolder = MachinePath("M:/pf/VEXO/Plumex TV");
const std::string kJournal = MachinePath("M:/data/Plumex TV.setup-journal");

std::string EntryKey(int n) {
    return kUninstall + "\\ST6UNST #" + std::to_string(n);
}

// A machine with the package unpacked and another program's uninstall entry in #0.
FakeInstallMachine PackageMachine() {
    FakeInstallMachine machine;
    for (const char* folder : {"M:/pf", "M:/data", "M:/menu", "M:/package"}) {
        machine.state.folders.insert(MachinePath(folder));
    }
    std::string key = "HKLM\\Software";
    for (const char* level : {"Microsoft", "Windows", "CurrentVersion", "Uninstall"}) {
        machine.state.keys[key += std::string("\\") + level];
    }
    machine.state.keys[EntryKey(0)]["ApplicationName"] = RegistryValue::Text("Other.exe");
    return machine;
}

// Version 1.0.2 of the product, or an earlier one with other bytes and a file fewer. The
// package's files are put on the machine.
InstallPlan PlumexPlan(FakeInstallMachine& machine, const std::string& version) {
    std::vector<std::pair<std::string, std::string>> files = {
        {"Plumex.exe", "Plumex.exe " + version},
        {"vexo.exe", "vexo.exe " + version},
        {"setup.exe", "setup.exe " + version}};
    if (version == "1.0.2") {
        files.emplace_back("docs/LICENSE.txt", "the license");
    }
    InstallPlan plan;
    plan.folder = kFolder;
    for (const auto& [name, bytes] : files) {
        const std::string entry = name.substr(name.find('/') + 1);
        const std::string source = MachinePath("M:/package/" + entry);
        machine.state.files[source] = bytes;
        const bool isSetup = entry == "setup.exe";
        plan.files.push_back({source,
                              MachinePath(kFolder + "/" + (isSetup ? "uninstall.exe" : name)),
                              isSetup ? std::nullopt : std::optional<std::uint64_t>(bytes.size())});
    }
    plan.entry =
        UninstallEntry{kUninstall,
                       "Plumex.exe",
                       kFolder,
                       {{"DisplayName", RegistryValue::Text("VEXO(tm) Plumex TV")},
                        {"DisplayVersion", RegistryValue::Text(version)},
                        {"EstimatedSize", RegistryValue::Number(version == "1.0.2" ? 2 : 1)}}};
    plan.shortcut = Shortcut{MachinePath("M:/menu/Programs/VEXO(tm) Plumex TV.lnk"),
                             MachinePath(kFolder + "/Plumex.exe"), kFolder, "VEXO(tm) Plumex TV"};
    plan.record = MachinePath(kFolder + "/install.log");
    plan.journal = kJournal;
    return plan;
}

// The machine less the package's files, to compare with the one before the install.
MachineState WithoutPackage(MachineState state) {
    std::erase_if(state.files, [](const auto& file) {
        return file.first.starts_with(MachinePath("M:/package/"));
    });
    return state;
}

std::vector<InstallStep> Record(FakeInstallMachine& machine) {
    return ReadInstallRecord(MachinePath(kFolder + "/install.log"), machine)
        .value_or(std::vector<InstallStep>{});
}

TEST(Installer, InstallsEverythingAndTheUninstallRemovesIt) {
    FakeInstallMachine machine = PackageMachine();
    const MachineState before = machine.state;
    const InstallOutcome installed = Install(PlumexPlan(machine, "1.0.2"), machine);
    ASSERT_TRUE(installed.ok) << installed.error;
    EXPECT_FALSE(installed.upgraded);
    EXPECT_EQ(installed.entryKey, EntryKey(1));

    const MachineState& after = machine.state;
    EXPECT_EQ(after.files.at(MachinePath(kFolder + "/docs/LICENSE.txt")), "the license");
    EXPECT_EQ(after.files.at(MachinePath(kFolder + "/uninstall.exe")), "setup.exe 1.0.2");
    EXPECT_EQ(after.files.at(MachinePath("M:/menu/Programs/VEXO(tm) Plumex TV.lnk")),
              "shortcut to " + MachinePath(kFolder + "/Plumex.exe"));
    const std::map<std::string, RegistryValue> expected = {
        {"ApplicationName", RegistryValue::Text("Plumex.exe")},
        {"InstallLocation", RegistryValue::Text(kFolder)},
        {"DisplayName", RegistryValue::Text("VEXO(tm) Plumex TV")},
        {"DisplayVersion", RegistryValue::Text("1.0.2")},
        {"EstimatedSize", RegistryValue::Number(2)}};
    EXPECT_EQ(after.keys.at(EntryKey(1)), expected);
    EXPECT_FALSE(after.files.contains(kJournal));

    const UninstallOutcome removed = RemoveInstall(Record(machine), machine);
    EXPECT_TRUE(removed.ok);
    EXPECT_EQ(WithoutPackage(machine.state), WithoutPackage(before));
}

TEST(Installer, UpgradesInPlaceWithOneEntry) {
    FakeInstallMachine machine = PackageMachine();
    const MachineState before = machine.state;
    ASSERT_TRUE(Install(PlumexPlan(machine, "1.0.1"), machine).ok);
    const InstallOutcome upgraded = Install(PlumexPlan(machine, "1.0.2"), machine);
    ASSERT_TRUE(upgraded.ok) << upgraded.error;
    EXPECT_TRUE(upgraded.upgraded);
    EXPECT_EQ(upgraded.entryKey, EntryKey(1));
    EXPECT_FALSE(machine.state.keys.contains(EntryKey(2)));
    EXPECT_EQ(machine.state.keys.at(EntryKey(1)).at("DisplayVersion"),
              RegistryValue::Text("1.0.2"));
    EXPECT_EQ(machine.state.files.at(MachinePath(kFolder + "/Plumex.exe")), "Plumex.exe 1.0.2");
    // No backup stays behind, and the record lists each thing once.
    for (const auto& [path, bytes] : machine.state.files) {
        EXPECT_THAT(path, ::testing::Not(HasSubstr(".setup-old"))) << path;
    }
    const std::string recordText = machine.state.files.at(MachinePath(kFolder + "/install.log"));
    EXPECT_EQ(recordText.find("DisplayVersion"), recordText.rfind("DisplayVersion"));

    EXPECT_TRUE(RemoveInstall(Record(machine), machine).ok);
    EXPECT_EQ(WithoutPackage(machine.state), WithoutPackage(before));
}

struct EntryChoice {
    const char* what;
    std::map<int, std::pair<std::string, std::string>> entries;  // n: application, location
    int chosen;                                                  // -1: none is free
};

class InstallerEntryChoice : public ::testing::TestWithParam<EntryChoice> {};

INSTANTIATE_TEST_SUITE_P(
    Entries, InstallerEntryChoice,
    ::testing::Values(
        EntryChoice{"TheFirstFreeOne", {{0, {"Other.exe", ""}}, {2, {"Plumex.exe", "C:\\X"}}}, 1},
        EntryChoice{"ThisFoldersEarlierInstallBeyondAFreeOne",
                    {{0, {"Other.exe", ""}}, {3, {"PLUMEX.EXE", kFolder}}},
                    3},
        EntryChoice{"NoneFree", {}, -1}),
    [](const auto& test) { return std::string(test.param.what); });

TEST_P(InstallerEntryChoice, PicksTheEntry) {
    FakeInstallMachine machine = PackageMachine();
    machine.state.keys.erase(EntryKey(0));
    std::map<int, std::pair<std::string, std::string>> entries = GetParam().entries;
    if (GetParam().chosen < 0) {
        for (int n = 0; n <= kLastUninstallEntry; ++n) {
            entries[n] = {"Other.exe", ""};
        }
    }
    for (const auto& [n, values] : entries) {
        machine.state.keys[EntryKey(n)] = {{"ApplicationName", RegistryValue::Text(values.first)},
                                           {"InstallLocation", RegistryValue::Text(values.second)}};
    }
    const InstallPlan plan = PlumexPlan(machine, "1.0.2");
    const MachineState before = machine.state;
    const InstallOutcome outcome = Install(plan, machine);
    if (GetParam().chosen < 0) {
        EXPECT_FALSE(outcome.ok);
        EXPECT_THAT(outcome.error, HasSubstr("is taken"));
        EXPECT_EQ(machine.state, before);
    } else {
        EXPECT_EQ(outcome.entryKey, EntryKey(GetParam().chosen));
        EXPECT_EQ(machine.state.keys.at(outcome.entryKey).at("InstallLocation"),
                  RegistryValue::Text(kFolder));
    }
}

// A fresh install, or an upgrade of 1.0.1 to 1.0.2.
FakeInstallMachine ReadyMachine(bool upgrade) {
    FakeInstallMachine machine = PackageMachine();
    if (upgrade) {
        Install(PlumexPlan(machine, "1.0.1"), machine);
    }
    PlumexPlan(machine, "1.0.2");
    machine.changes = 0;
    return machine;
}

struct Interruption {
    bool upgrade;
    bool powerCut;
};

class InstallerInterrupted : public ::testing::TestWithParam<Interruption> {};

INSTANTIATE_TEST_SUITE_P(Runs, InstallerInterrupted,
                         ::testing::Values(Interruption{false, false}, Interruption{true, false},
                                           Interruption{false, true}, Interruption{true, true}),
                         [](const auto& test) {
                             return std::string(test.param.upgrade ? "Upgrade" : "Fresh") +
                                    (test.param.powerCut ? "PowerCut" : "Failure");
                         });

// Every change of the install in turn fails. A failure is undone at once; after a power cut the
// next run undoes what the journal lists - or, once the commit line is on the disk, finishes.
TEST_P(InstallerInterrupted, LeavesTheMachineAsItWasOrInstalled) {
    FakeInstallMachine installed = ReadyMachine(GetParam().upgrade);
    const MachineState before = installed.state;
    const InstallPlan plan = PlumexPlan(installed, "1.0.2");
    ASSERT_TRUE(Install(plan, installed).ok);
    ASSERT_GT(installed.commitChange, 0);

    for (int failAt = 1; failAt <= installed.changes; ++failAt) {
        SCOPED_TRACE("change " + std::to_string(failAt) + " of " +
                     std::to_string(installed.changes));
        FakeInstallMachine machine = ReadyMachine(GetParam().upgrade);
        machine.failAt = failAt;
        machine.powerCut = GetParam().powerCut;
        const InstallOutcome outcome = Install(plan, machine);
        const bool committed = failAt > installed.commitChange;
        if (!GetParam().powerCut) {
            EXPECT_EQ(outcome.ok, committed) << outcome.error;
            if (!committed) {
                EXPECT_TRUE(outcome.rolledBack);
                EXPECT_EQ(machine.state, before);
            }
            continue;
        }
        machine.failAt = 0;
        const RecoveryOutcome recovered = RecoverJournal(kJournal, machine);
        EXPECT_TRUE(recovered.ok) << recovered.error;
        EXPECT_EQ(machine.state, committed ? installed.state : before);
    }
}

struct Refusal {
    const char* what;
    void (*spoil)(FakeInstallMachine&);
    const char* error;
};

class InstallerRefusal : public ::testing::TestWithParam<Refusal> {};

INSTANTIATE_TEST_SUITE_P(
    Spoilt, InstallerRefusal,
    ::testing::Values(Refusal{"ADamagedPackage",
                              [](FakeInstallMachine& m) {
                                  m.state.files[MachinePath("M:/package/vexo.exe")] += "!";
                              },
                              "the package is damaged"},
                      Refusal{"AFolderInTheWay",
                              [](FakeInstallMachine& m) {
                                  for (const char* folder : {"M:/pf/VEXO", "M:/pf/VEXO/Plumex TV",
                                                             "M:/pf/VEXO/Plumex TV/vexo.exe"}) {
                                      m.state.folders.insert(MachinePath(folder));
                                  }
                              },
                              "a folder of that name is in the way"},
                      Refusal{"AnUnreadableRecord",
                              [](FakeInstallMachine& m) {
                                  m.state.folders.insert(MachinePath("M:/pf/VEXO"));
                                  m.state.folders.insert(kFolder);
                                  m.state.files[MachinePath(kFolder + "/install.log")] =
                                      "not a record\n";
                              },
                              "cannot be read"},
                      Refusal{
                          "AnUnfinishedInstallsJournal",
                          [](FakeInstallMachine& m) { m.state.files[kJournal] = "folder\tM:\n"; },
                          "did not finish"}),
    [](const auto& test) { return std::string(test.param.what); });

TEST_P(InstallerRefusal, MakesNothing) {
    FakeInstallMachine machine = PackageMachine();
    const InstallPlan plan = PlumexPlan(machine, "1.0.2");
    GetParam().spoil(machine);
    const MachineState before = machine.state;
    const InstallOutcome outcome = Install(plan, machine);
    EXPECT_FALSE(outcome.ok);
    EXPECT_THAT(outcome.error, HasSubstr(GetParam().error));
    EXPECT_EQ(machine.state, before);
}

struct UninstallRun {
    const char* what;
    std::vector<std::string> locked;    // names in the install folder
    std::vector<std::string> deferred;  // names in the install folder
    bool firstOk;
};

class InstallerUninstall : public ::testing::TestWithParam<UninstallRun> {};

INSTANTIATE_TEST_SUITE_P(
    Runs, InstallerUninstall,
    ::testing::Values(UninstallRun{"AProgramInUseKeepsTheEntry", {"Plumex.exe"}, {}, false},
                      UninstallRun{"TheRunningUninstallerIsLeftForASecondRun",
                                   {},
                                   {"uninstall.exe", "install.log"},
                                   true}),
    [](const auto& test) { return std::string(test.param.what); });

TEST_P(InstallerUninstall, FinishesInASecondRun) {
    FakeInstallMachine machine = PackageMachine();
    const MachineState before = machine.state;
    ASSERT_TRUE(Install(PlumexPlan(machine, "1.0.2"), machine).ok);
    const std::vector<InstallStep> record = Record(machine);
    std::vector<std::string> deferred;
    for (const std::string& name : GetParam().deferred) {
        deferred.push_back(MachinePath(kFolder + "/" + name));
    }
    for (const std::string& name : GetParam().locked) {
        machine.locked.insert(MachinePath(kFolder + "/" + name));
    }

    const UninstallOutcome first = RemoveInstall(record, machine, deferred);
    EXPECT_EQ(first.ok, GetParam().firstOk);
    EXPECT_EQ(machine.state.keys.contains(EntryKey(1)), !GetParam().firstOk);
    EXPECT_TRUE(machine.state.folders.contains(kFolder));
    for (const std::string& path : deferred) {
        EXPECT_TRUE(machine.state.files.contains(path)) << path;
    }

    machine.locked.clear();
    EXPECT_TRUE(RemoveInstall(record, machine).ok);
    EXPECT_EQ(WithoutPackage(machine.state), WithoutPackage(before));
}

}  // namespace
}  // namespace setup
