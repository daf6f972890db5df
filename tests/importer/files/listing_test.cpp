#include "importer/files/listing.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "importer/files/browse.h"
#include "importer/files/directory_search.h"
#include "importer/files/text.h"
#include "tests/support/files.h"
#include "tests/support/temp_folder.h"

namespace basFiles::test {
namespace {

namespace fs = std::filesystem;
using vexo::test_support::WriteFile;

// A temporary folder with helpers to lay out entries in it.
class TempFolder : public vexo::test_support::TempFolder {
  public:
    TempFolder() : vexo::test_support::TempFolder("vexo-listing") {}

    void Folder(std::string_view relative) const { fs::create_directories(*this / relative); }
    void File(std::string_view relative) const { WriteFile(*this / relative, "x"); }
    void EmptyFile(std::string_view relative) const { WriteFile(*this / relative, ""); }
    void Link(std::string_view target, std::string_view relative) const {
        fs::create_symlink(std::string(target), *this / relative);
    }
};

using FirstFunction = bool (*)(std::string_view, ListingHandle&, std::string&, std::string*);
using NextFunction = bool (*)(ListingHandle&, std::string&, std::string*);

struct ListingKind {
    const char* label;
    FirstFunction first;
    NextFunction next;
};
std::ostream& operator<<(std::ostream& out, const ListingKind& kind) {
    return out << kind.label;
}

const ListingKind kFolders{"Folders", &GetFirstFolder, &GetNextFolder};
const ListingKind kFiles{"Files", &GetFirstFile, &GetNextFile};

struct Walk {
    std::vector<std::string> names;   // sorted: the platform's order is no contract
    std::vector<std::string> onDisk;  // sorted
    ListingHandle handleAfter = -2;
};

Walk WalkAll(const ListingKind& kind, std::string_view folder) {
    Walk walk;
    ListingHandle handle = 0;
    std::string name;
    std::string onDisk;
    for (bool found = kind.first(folder, handle, name, &onDisk); found && walk.names.size() < 100;
         found = kind.next(handle, name, &onDisk)) {
        walk.names.push_back(name);
        walk.onDisk.push_back(onDisk);
    }
    walk.handleAfter = handle;
    std::sort(walk.names.begin(), walk.names.end());
    std::sort(walk.onDisk.begin(), walk.onDisk.end());
    return walk;
}

using Names = std::vector<std::string>;

// ---------------------------------------------------------------------------------------------
// Walks over one folder: what counts as a folder and as a file, and how names come back.

struct LayoutCase {
    const char* label;
    Names folders;        // created as folders (trailing '/' not needed)
    Names files;          // created as files
    Names folderLinks;    // "name>target": a link named name to target
    Names expectFolders;  // trimmed
    Names expectFolderOnDisk;
    Names expectFiles;  // trimmed
    Names expectFileOnDisk;
};

std::ostream& operator<<(std::ostream& out, const LayoutCase& c) {
    return out << c.label;
}

class LayoutTest : public testing::TestWithParam<LayoutCase> {};

TEST_P(LayoutTest, WalksFindFoldersAndFilesByTheDirectoryBitAlone) {
    const LayoutCase& c = GetParam();
    TempFolder temp;
    ASSERT_TRUE(temp.Ok());
    const std::string show = temp / "show";
    temp.Folder("show");
    for (const auto& folder : c.folders) {
        temp.Folder("show/" + folder);
    }
    for (const auto& file : c.files) {
        temp.File("show/" + file);
    }
    for (const auto& link : c.folderLinks) {
        const auto arrow = link.find('>');
        temp.Link(link.substr(arrow + 1), "show/" + link.substr(0, arrow));
    }

    const Walk folders = WalkAll(kFolders, show);
    EXPECT_EQ(folders.names, c.expectFolders);
    EXPECT_EQ(folders.onDisk, c.expectFolderOnDisk);
    EXPECT_EQ(folders.handleAfter, 0);

    const Walk files = WalkAll(kFiles, show + "/");  // a trailing separator is not doubled
    EXPECT_EQ(files.names, c.expectFiles);
    EXPECT_EQ(files.onDisk, c.expectFileOnDisk);
    EXPECT_EQ(files.handleAfter, 0);
}

// Windows drops trailing blanks from the names it creates: there only leading ones reach the
// disk.
#ifdef _WIN32
const std::string kTwoBlanks;
const std::string kOneBlank;
#else
const std::string kTwoBlanks = "  ";
const std::string kOneBlank = " ";
#endif

const LayoutCase kLayouts[] = {
    LayoutCase{"Mixed",
               {"Season 1", " Season 2" + kTwoBlanks, ".config"},
               {"01 Pilot.mp4", " 02 Two.m4v" + kOneBlank, ".hidden", "notes"},
               {},
               {".config", "Season 1", "Season 2"},
               {" Season 2" + kTwoBlanks, ".config", "Season 1"},
               {".hidden", "01 Pilot.mp4", "02 Two.m4v", "notes"},
               {" 02 Two.m4v" + kOneBlank, ".hidden", "01 Pilot.mp4", "notes"}},
#ifndef _WIN32
    // A link counts as what it points to; a broken link is a file.
    LayoutCase{"Links",
               {"real"},
               {"ep.mp4"},
               {"linked>real", "alias>ep.mp4", "dangling>nowhere"},
               {"linked", "real"},
               {"linked", "real"},
               {"alias", "dangling", "ep.mp4"},
               {"alias", "dangling", "ep.mp4"}},
#endif
    LayoutCase{
        "OnlyFiles", {}, {"a.mp4", "b.mov"}, {}, {}, {}, {"a.mp4", "b.mov"}, {"a.mp4", "b.mov"}},
    LayoutCase{"OnlySubfolders",
               {"Season 1", "Season 2"},
               {},
               {},
               {"Season 1", "Season 2"},
               {"Season 1", "Season 2"},
               {},
               {}},
    LayoutCase{"Empty", {}, {}, {}, {}, {}, {}, {}},
};

INSTANTIATE_TEST_SUITE_P(Layouts, LayoutTest, testing::ValuesIn(kLayouts),
                         [](const testing::TestParamInfo<LayoutCase>& entry) {
                             return entry.param.label;
                         });

// ---------------------------------------------------------------------------------------------
// The life of a handle.

class HandleTest : public testing::TestWithParam<ListingKind> {
  protected:
    void SetUp() override {
        ASSERT_TRUE(temp_.Ok());
        for (const char* name : {"a", "b", "c"}) {
            temp_.Folder(std::string("folders/") + name);
            temp_.File(std::string("files/") + name);
        }
    }
    // The folder that holds three entries of the kind under test.
    std::string Full() const {
        return GetParam().first == kFiles.first ? temp_ / "files" : temp_ / "folders";
    }
    TempFolder temp_;
};

TEST_P(HandleTest, AFolderThatCannotBeListedLeavesNameAndGivesHandleZero) {
    ListingHandle handle = 12345;
    std::string name = "kept";
    EXPECT_FALSE(GetParam().first(temp_ / "missing", handle, name, nullptr));
    EXPECT_EQ(handle, 0);
    EXPECT_EQ(name, "kept");
    EXPECT_FALSE(GetParam().first(temp_ / "files/a", handle, name, nullptr));  // not a folder
    EXPECT_EQ(handle, 0);
}

TEST_P(HandleTest, ACallAfterTheEndFindsNothingAndClearsTheName) {
    const Walk walk = WalkAll(GetParam(), Full());
    ASSERT_EQ(walk.names, (Names{"a", "b", "c"}));
    ListingHandle handle = walk.handleAfter;
    std::string name = "stale";
    std::string onDisk = "stale";
    EXPECT_FALSE(GetParam().next(handle, name, &onDisk));
    EXPECT_EQ(handle, 0);
    EXPECT_EQ(name, "");
    EXPECT_EQ(onDisk, "");
    CloseFind(handle);
    EXPECT_EQ(handle, 0);
}

TEST_P(HandleTest, AListingClosedEarlyCannotBeAdvanced) {
    ListingHandle handle = 0;
    std::string name;
    ASSERT_TRUE(GetParam().first(Full(), handle, name, nullptr));
    ASSERT_NE(handle, 0);
    ASSERT_NE(handle, -1);
    ListingHandle copy = handle;
    CloseFind(handle);
    EXPECT_EQ(handle, 0);
    EXPECT_FALSE(GetParam().next(copy, name, nullptr));
    EXPECT_EQ(copy, 0);
}

TEST_P(HandleTest, AGuardClosesTheListingWhenTheWalkLevelIsLeft) {
    ListingHandle handle = 0;
    std::string name;
    {
        const ListingGuard guard(handle);
        ASSERT_TRUE(GetParam().first(Full(), handle, name, nullptr));
    }
    EXPECT_EQ(handle, 0);
}

TEST_P(HandleTest, ThreeOpenListingsAdvanceIndependently) {
    for (const char* level : {"one", "two", "three"}) {
        for (const char* entry : {"x", "y"}) {
            const std::string path = std::string(level) + "/" + level + "-" + entry;
            if (GetParam().first == kFiles.first) {
                temp_.File(path);
            } else {
                temp_.Folder(path);
            }
        }
    }
    ListingHandle handles[3] = {0, 0, 0};
    std::vector<std::string> seen[3];
    const char* levels[3] = {"one", "two", "three"};
    std::string name;
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(GetParam().first(temp_ / levels[i], handles[i], name, nullptr));
        seen[i].push_back(name);
    }
    EXPECT_NE(handles[0], handles[1]);
    EXPECT_NE(handles[1], handles[2]);
    EXPECT_NE(handles[0], handles[2]);
    // Finish the innermost first, as the walk does, then the others.
    for (int i = 2; i >= 0; --i) {
        while (GetParam().next(handles[i], name, nullptr)) {
            seen[i].push_back(name);
        }
        EXPECT_EQ(handles[i], 0);
        std::sort(seen[i].begin(), seen[i].end());
        const std::string level = levels[i];
        EXPECT_EQ(seen[i], (Names{level + "-x", level + "-y"}));
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, HandleTest, testing::Values(kFolders, kFiles),
                         [](const testing::TestParamInfo<ListingKind>& entry) {
                             return entry.param.label;
                         });

TEST(CloseFindTest, HandleZeroIsLeftAlone) {
    ListingHandle handle = 0;
    CloseFind(handle);
    EXPECT_EQ(handle, 0);
}

// ---------------------------------------------------------------------------------------------
// The directory search underneath.

TEST(DirectorySearchTest, AWildcardListsDotEntriesAsWindowsDoesAndANameFindsOneEntry) {
    TempFolder temp;
    ASSERT_TRUE(temp.Ok());
    temp.File("ep.mp4");
    platform::DirectoryEntry entry;

    ListingHandle search = platform::OpenDirectorySearch(temp.Root() + "/*", entry);
    ASSERT_NE(search, 0);
    Names dirs;
    do {
        if (entry.isDirectory) {
            dirs.push_back(entry.name);
        }
    } while (platform::NextDirectoryEntry(search, entry));
    platform::CloseDirectorySearch(search);
    std::sort(dirs.begin(), dirs.end());
    EXPECT_EQ(dirs, (Names{".", ".."}));

    search = platform::OpenDirectorySearch(temp / "ep.mp4", entry);
    ASSERT_NE(search, 0);
    EXPECT_EQ(entry.name, "ep.mp4");
    EXPECT_FALSE(entry.isDirectory);
    EXPECT_FALSE(platform::NextDirectoryEntry(search, entry));
    platform::CloseDirectorySearch(search);

    // An empty last component matches nothing.
    EXPECT_EQ(platform::OpenDirectorySearch(temp.Root() + "/", entry), 0);
    EXPECT_EQ(platform::OpenDirectorySearch("", entry), 0);
}

// ---------------------------------------------------------------------------------------------
// FolderExists and FileExists. Paths are relative to a temp folder holding:
//   Season 1/ (empty)   ep1.mp4   empty.mp4   " spaced "   folderlink -> Season 1
//   dangling -> nowhere   filelink -> ep1.mp4
// On Windows, which takes trailing blanks off the names it creates, the file is " spaced",
// and there are no links.

struct ExistsCase {
    std::string path;  // "" and blank paths are used as they are; others under the temp folder
    bool folder;       // FolderExists
    bool file;         // FileExists
};

std::ostream& operator<<(std::ostream& out, const ExistsCase& c) {
    return out << '"' << c.path << '"';
}

class ExistsTest : public testing::TestWithParam<ExistsCase> {};

TEST_P(ExistsTest, TellsFoldersFromFiles) {
    const ExistsCase& c = GetParam();
    TempFolder temp;
    ASSERT_TRUE(temp.Ok());
    temp.Folder("Season 1");
    temp.File("ep1.mp4");
    temp.EmptyFile("empty.mp4");
    temp.File(" spaced" + kOneBlank);
#ifndef _WIN32
    temp.Link("Season 1", "folderlink");
    temp.Link("nowhere", "dangling");
    temp.Link("ep1.mp4", "filelink");
#endif
    const bool absolute = c.path.starts_with('/') || (c.path.size() >= 2 && c.path[1] == ':');
    const std::string path = TrimBlanks(c.path).empty() || absolute ? c.path : temp / c.path;
    EXPECT_EQ(FolderExists(path), c.folder);
    EXPECT_EQ(FileExists(path), c.file);
}

const ExistsCase kExistsCases[] = {
    {"", false, false},
    {"   ", false, false},
    {"Season 1", true, false},
    {"Season 1/", true, false},  // one trailing separator
    {"ep1.mp4", false, true},
    {"empty.mp4", false, true},
    {"ep1.mp4/", false, false},
    {"missing", false, false},
    {" spaced" + kOneBlank, false, true},  // the path is used untrimmed
    // a wildcard path: the first (here the only) match decides
    {"Sea*", true, false},
    {"Season ?", true, false},
    {"ep?.mp4", false, false},
    {"zz*", false, false},
    // a NUL does not shorten the path to an existing one
    {std::string("ep1.mp4\0x", 9), false, false},
    {std::string("Season 1\0x", 10), false, false},
#ifdef _WIN32
    // drive roots, with and without their separator, and a folder with a trailing "\"
    {"C:\\", true, false},
    {"C:", true, false},
    {"C:\\Program Files\\", true, false},
    {"Season 1\\", true, false},
    {"ep1.mp4\\", false, false},
#else
    {"/", true, false},
    {"folderlink", true, false},
    {"filelink", false, true},
    {"dangling", false, false},
#endif
};

INSTANTIATE_TEST_SUITE_P(Paths, ExistsTest, testing::ValuesIn(kExistsCases));

TEST(ExistenceTest, TheFolderItselfAndTheCurrentFolderExist) {
    TempFolder temp;
    ASSERT_TRUE(temp.Ok());
    EXPECT_TRUE(FolderExists(temp.Root()));
    EXPECT_TRUE(FolderExists("."));
}

#ifndef _WIN32
TEST(ExistenceTest, AFifoIsAFileAndOpeningItDoesNotWaitForAWriter) {
    TempFolder temp;
    ASSERT_TRUE(temp.Ok());
    ASSERT_EQ(mkfifo((temp / "pipe").c_str(), 0600), 0);
    EXPECT_TRUE(FileExists(temp / "pipe"));
    EXPECT_FALSE(FolderExists(temp / "pipe"));
}

TEST(ExistenceTest, UnreadableEntriesGiveFalse) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "root can read anything";
    }
    TempFolder temp;
    ASSERT_TRUE(temp.Ok());
    temp.File("secret.mp4");
    temp.Folder("locked/inner");
    ASSERT_EQ(chmod((temp / "secret.mp4").c_str(), 0), 0);
    ASSERT_EQ(chmod((temp / "locked").c_str(), 0), 0);
    EXPECT_FALSE(FileExists(temp / "secret.mp4"));
    ListingHandle handle = 0;
    std::string name;
    EXPECT_FALSE(GetFirstFolder(temp / "locked", handle, name));
    EXPECT_EQ(handle, 0);
    chmod((temp / "locked").c_str(), 0700);  // so that the folder can be removed
}
#endif

// ---------------------------------------------------------------------------------------------
// BrowseForFolder

class ScriptedPicker : public FolderPicker {
  public:
    explicit ScriptedPicker(std::optional<std::string> answer) : answer_(std::move(answer)) {}
    std::optional<std::string> PickFolder(WindowHandle owner, std::string_view title) override {
        owner_ = owner;
        title_ = title;
        return answer_;
    }
    WindowHandle owner_ = 0;
    std::string title_;

  private:
    std::optional<std::string> answer_;
};

struct BrowseCase {
    std::optional<std::string> picked;
    FileNameRule rule;
    std::string result;
};

class BrowseTest : public testing::TestWithParam<BrowseCase> {};

TEST_P(BrowseTest, AnswersTheChosenFolderWithOneTrailingSeparator) {
    ScriptedPicker picker(GetParam().picked);
    EXPECT_EQ(BrowseForFolder(picker, 0x1234, "Select TV Show Folder...", GetParam().rule),
              GetParam().result);
    EXPECT_EQ(picker.owner_, 0x1234u);
    EXPECT_EQ(picker.title_, "Select TV Show Folder...");
}

constexpr auto kTrimmed = FileNameRule::kTrimmedUpperCase;
constexpr auto kExact = FileNameRule::kExact;

const BrowseCase kBrowseCases[] = {
    {std::nullopt, kFileNameRule, ""},
#ifdef _WIN32
    {"C:\\x\\y", kTrimmed, "C:\\x\\y\\"},
    {"C:\\x\\y\\", kTrimmed, "C:\\x\\y\\"},
    {"C:\\", kTrimmed, "C:\\"},
    {std::string("  C:\\x\\y \0\\junk", 15), kTrimmed, "C:\\x\\y\\"},
    {std::string("C:\\x\\y \0\\junk", 13), kExact, "C:\\x\\y \\"},
#else
    {"/x/y", kExact, "/x/y/"},
    {"/x/y/", kExact, "/x/y/"},
    {"/", kExact, "/"},
    // a name ending in a blank is another folder than the one without it
    {std::string("/x/y \0/junk", 11), kExact, "/x/y /"},
    {std::string("  /x/y \0/junk", 13), kTrimmed, "/x/y/"},
#endif
};

INSTANTIATE_TEST_SUITE_P(Answers, BrowseTest, testing::ValuesIn(kBrowseCases));

}  // namespace
}  // namespace basFiles::test
