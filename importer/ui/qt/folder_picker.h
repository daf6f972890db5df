// The folder picker of the Qt frontend, after the shell's: an instruction line over a tree of
// folders, OK and Cancel. The tree starts at the top of the user's folders, the home folder,
// with the file system's root after it; nothing is selected at first, and OK waits for a
// choice. Folder names stay the file system's bytes: a name that is not valid UTF-8 is shown
// with replacement characters and comes back exactly as it is.
#pragma once

#include <QByteArray>
#include <QDialog>
#include <QString>
#include <optional>
#include <string>

class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace plumex::qt {

class FolderPickerDialog final : public QDialog {
  public:
    FolderPickerDialog(QWidget* owner, const QString& instruction);

    QTreeWidget* Tree() const { return tree_; }
    QPushButton* OkButton() const { return ok_; }
    // The folder an item stands for, as the file system names it.
    static QByteArray PathOf(const QTreeWidgetItem& item);
    // The selected folder; std::nullopt while there is none.
    std::optional<std::string> Chosen() const;

  private:
    QTreeWidgetItem* AddFolder(QTreeWidgetItem* parent, const QByteArray& path,
                               const QString& name);
    // Lists an item's subfolders the first time it is opened.
    void Fill(QTreeWidgetItem* item);

    QTreeWidget* tree_ = nullptr;
    QPushButton* ok_ = nullptr;
};

// Shows the picker modally over owner: the chosen folder without a trailing separator (the
// root as "/"), or std::nullopt when the user cancelled.
std::optional<std::string> PickFolderInTree(QWidget* owner, const QString& instruction);

}  // namespace plumex::qt
