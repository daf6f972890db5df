#include "importer/ui/qt/folder_picker.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <filesystem>
#include <system_error>
#include <utility>
#include <vector>

namespace plumex::qt {
namespace {

constexpr int kPathRole = Qt::UserRole;
constexpr int kFilledRole = Qt::UserRole + 1;

// Where the user's folders begin: $HOME as its bytes.
QByteArray HomeFolder() {
    QByteArray home = qgetenv("HOME");
    if (home.isEmpty()) {
        home = QFile::encodeName(QDir::homePath());
    }
    return home;
}

QString DisplayName(const std::filesystem::path& path) {
    const std::string& name = path.native();
    return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
}

// The folders in folder, hidden ones (a leading dot) left out, in the order of their names as
// shown; links to folders count as folders.
std::vector<std::pair<QString, QByteArray>> Subfolders(const QByteArray& folder) {
    std::vector<std::pair<QString, QByteArray>> found;
    std::error_code error;
    std::filesystem::directory_iterator entries(
        std::filesystem::path(folder.toStdString()),
        std::filesystem::directory_options::skip_permission_denied, error);
    for (const std::filesystem::directory_iterator end; !error && entries != end;
         entries.increment(error)) {
        const std::filesystem::path& path = entries->path();
        const std::string name = path.filename().native();
        std::error_code typeError;
        if (name.empty() || name.front() == '.' || !entries->is_directory(typeError)) {
            continue;
        }
        found.emplace_back(
            DisplayName(path.filename()),
            QByteArray(path.native().data(), static_cast<qsizetype>(path.native().size())));
    }
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) {
        const int order = a.first.compare(b.first, Qt::CaseInsensitive);
        return order != 0 ? order < 0 : a.second < b.second;
    });
    return found;
}

}  // namespace

FolderPickerDialog::FolderPickerDialog(QWidget* owner, const QString& instruction)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowCloseButtonHint) {
    setWindowTitle(QStringLiteral("Browse for Folder"));
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(instruction, this);
    label->setWordWrap(true);
    layout->addWidget(label);

    tree_ = new QTreeWidget(this);
    tree_->setObjectName(QStringLiteral("folders"));
    tree_->setHeaderHidden(true);
    tree_->setSelectionMode(QAbstractItemView::SingleSelection);
    layout->addWidget(tree_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    ok_ = buttons->button(QDialogButtonBox::Ok);
    ok_->setEnabled(false);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(tree_, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* item) { Fill(item); });
    connect(tree_, &QTreeWidget::itemSelectionChanged, this,
            [this] { ok_->setEnabled(!tree_->selectedItems().isEmpty()); });

    const QByteArray home = HomeFolder();
    QTreeWidgetItem* top =
        AddFolder(nullptr, home, DisplayName(std::filesystem::path(home.toStdString()).filename()));
    AddFolder(nullptr, QByteArrayLiteral("/"), QStringLiteral("/"));
    top->setExpanded(true);
    resize(340, 400);
}

QByteArray FolderPickerDialog::PathOf(const QTreeWidgetItem& item) {
    return item.data(0, kPathRole).toByteArray();
}

std::optional<std::string> FolderPickerDialog::Chosen() const {
    const QList<QTreeWidgetItem*> selected = tree_->selectedItems();
    if (selected.isEmpty()) {
        return std::nullopt;
    }
    return PathOf(*selected.front()).toStdString();
}

QTreeWidgetItem* FolderPickerDialog::AddFolder(QTreeWidgetItem* parent, const QByteArray& path,
                                               const QString& name) {
    auto* item = parent != nullptr ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(tree_);
    item->setText(0, name.isEmpty() ? QFile::decodeName(path) : name);
    item->setIcon(0, style()->standardIcon(QStyle::SP_DirIcon));
    item->setData(0, kPathRole, path);
    item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    return item;
}

void FolderPickerDialog::Fill(QTreeWidgetItem* item) {
    if (item->data(0, kFilledRole).toBool()) {
        return;
    }
    item->setData(0, kFilledRole, true);
    for (const auto& [name, path] : Subfolders(PathOf(*item))) {
        AddFolder(item, path, name);
    }
    if (item->childCount() == 0) {
        item->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicatorWhenChildless);
    }
}

std::optional<std::string> PickFolderInTree(QWidget* owner, const QString& instruction) {
    FolderPickerDialog dialog(owner, instruction);
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return dialog.Chosen();
}

}  // namespace plumex::qt
