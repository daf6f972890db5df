// The folder picker as a user meets it: the top of the user's folders, nothing chosen yet, and
// the chosen folder handed back as the file system names it, byte for byte.
#include "importer/ui/qt/folder_picker.h"

#include <gtest/gtest.h>

#include <QPushButton>
#include <QTreeWidget>
#include <filesystem>
#include <optional>
#include <string>

#include "tests/importer/ui/qt/modal_driver.h"
#include "tests/support/scoped_environment.h"
#include "tests/support/temp_folder.h"

namespace plumex::qt::test {
namespace {

// Not valid UTF-8: Latin-1 accents, as an older system or a copied disk names folders.
const std::string kLatin1Name = "T\xE9l\xE9 Shows";

class FolderPickerTest : public ::testing::Test {
  protected:
    FolderPickerTest() {
        for (const char* folder : {"b", "A/Season 1", ".hidden"}) {
            std::filesystem::create_directories(home_ / folder);
        }
        std::filesystem::create_directories(home_ / kLatin1Name);
    }

    vexo::test_support::TempFolder home_{"vexo-picker"};
    vexo::test_support::ScopedVariable homeVariable_{"HOME", home_.Root()};
};

QStringList Names(const QTreeWidgetItem& item) {
    QStringList names;
    for (int i = 0; i < item.childCount(); ++i) {
        names << item.child(i)->text(0);
    }
    return names;
}

TEST_F(FolderPickerTest, OpensAtTheHomeFolderWithNothingSelected) {
    const auto outcome = testing::DriveNextModal([&](QWidget& window) {
        auto* picker = dynamic_cast<FolderPickerDialog*>(&window);
        ASSERT_NE(picker, nullptr);
        QTreeWidget& tree = *picker->Tree();
        ASSERT_EQ(tree.topLevelItemCount(), 2);
        const QTreeWidgetItem& home = *tree.topLevelItem(0);
        EXPECT_EQ(FolderPickerDialog::PathOf(home).toStdString(), home_.Root());
        EXPECT_TRUE(home.isExpanded());
        // Hidden folders left out; the name that is no UTF-8 shown as well as it can be.
        EXPECT_EQ(Names(home), (QStringList{"A", "b", QString::fromUtf8(kLatin1Name.c_str())}));
        EXPECT_EQ(FolderPickerDialog::PathOf(*tree.topLevelItem(1)), "/");
        EXPECT_TRUE(tree.selectedItems().isEmpty());
        EXPECT_FALSE(picker->OkButton()->isEnabled());
    });
    EXPECT_EQ(PickFolderInTree(nullptr, QStringLiteral("Select TV Show Folder...")), std::nullopt);
    EXPECT_TRUE(outcome->found);
}

class ChosenFolderTest : public FolderPickerTest,
                         public ::testing::WithParamInterface<const char*> {};

TEST_P(ChosenFolderTest, ComesBackAsTheFileSystemNamesIt) {
    const std::string wanted = GetParam()[0] == '\0' ? home_.Root() : home_ / GetParam();
    const auto outcome = testing::DriveNextModal(
        [&](QWidget& window) { EXPECT_TRUE(testing::ChooseFolder(window, wanted)); });
    EXPECT_EQ(PickFolderInTree(nullptr, QStringLiteral("Select TV Show Folder...")), wanted);
    EXPECT_TRUE(outcome->found);
}

INSTANTIATE_TEST_SUITE_P(
    Folders, ChosenFolderTest, ::testing::Values("", "A/Season 1", kLatin1Name.c_str()),
    [](const ::testing::TestParamInfo<const char*>& row) {
        return std::string(row.index == 0 ? "Home" : row.index == 1 ? "Nested" : "NotUtf8");
    });

}  // namespace
}  // namespace plumex::qt::test
