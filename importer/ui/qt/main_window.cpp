#include "importer/ui/qt/main_window.h"

#include <QAbstractEventDispatcher>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <utility>
#include <vector>

#include "importer/forms/main_window_layout.h"
#include "importer/ui/qt/artwork.h"
#include "importer/ui/qt/folder_picker.h"
#include "importer/ui/qt/gradient_widget.h"
#include "importer/ui/qt/message_box.h"
#include "importer/ui/qt/text_measurer.h"
#include "importer/ui/qt/window_icon.h"

namespace plumex::qt {
namespace {

using forms::ControlKind;
using forms::ControlLayout;

QString FromLocal(std::string_view text) {
    return QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
}

QString Name(std::string_view name) {
    return QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
}

QFont ControlFont(bool bold) {
    return ToQFont(forms::FontSpec{forms::kControlFontFamily, forms::kControlFontPoints, bold});
}

const std::pair<std::string_view, importer::DisplayField> kFieldNames[] = {
    {"txtShow", importer::DisplayField::Show},
    {"txtSeasonNumber", importer::DisplayField::SeasonNumber},
    {"txtEpisodeNumber", importer::DisplayField::EpisodeNumber},
    {"txtEpisodeID", importer::DisplayField::EpisodeID},
};

}  // namespace

// The event loop of the window's thread, which the library's thread wakes when an add ends;
// the window forgets it when it goes.
struct MainWindow::LoopWaker {
    std::mutex mutex;
    QAbstractEventDispatcher* loop = nullptr;

    void Wake() {
        std::lock_guard lock(mutex);
        if (loop != nullptr) {
            loop->wakeUp();
        }
    }
};

MainWindow::MainWindow(forms::StartupServices services, MainWindowHooks hooks)
    : hooks_(std::move(hooks)),
      waker_(std::make_shared<LoopWaker>()),
      form_(*this, std::move(services)) {
    // A fixed single border with a minimise button and no maximise button.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setWindowTitle(Name(forms::kDesignCaption));
    BuildMenus();
    BuildControls();
    setFixedSize(ToPixelsX(forms::kDesignClientWidth),
                 menuBar()->sizeHint().height() + ToPixelsY(forms::kDesignClientHeight));
    SetWindowIconImages(*this, PlumexIconImages());
    placement_ = new FramePlacement(*this);
}

MainWindow::~MainWindow() {
    std::lock_guard lock(waker_->mutex);
    waker_->loop = nullptr;
}

double MainWindow::TwipsPerPixelX() const {
    return plumex::qt::TwipsPerPixelX(*this);
}
double MainWindow::TwipsPerPixelY() const {
    return plumex::qt::TwipsPerPixelY(*this);
}

int MainWindow::ToPixelsX(double twips) const {
    return static_cast<int>(std::lround(twips / TwipsPerPixelX()));
}
int MainWindow::ToPixelsY(double twips) const {
    return static_cast<int>(std::lround(twips / TwipsPerPixelY()));
}

void MainWindow::BuildControls() {
    auto* surface = new GradientWidget(forms::GradientColour::Green, this);
    setCentralWidget(surface);

    std::vector<std::pair<int, QWidget*>> tabStops;
    for (const ControlLayout& control : forms::kMainControls) {
        QWidget* widget = nullptr;
        switch (control.kind) {
            case ControlKind::Picture: {
                auto* picture = new QLabel(surface);
                picture->setPixmap(LibraryPicture(forms::kLibraryPictureSize.width));
                picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
                widget = picture;
                break;
            }
            case ControlKind::Label: {
                auto* label = new QLabel(FromLocal(control.text), surface);
                label->setFont(ControlFont(true));
                QPalette palette = label->palette();
                palette.setColor(QPalette::WindowText, Qt::white);
                label->setPalette(palette);
                label->setAttribute(Qt::WA_TranslucentBackground);
                if (control.name == "lbliTunesVer") {
                    versionLabel_ = label;
                }
                widget = label;
                break;
            }
            case ControlKind::TextBox: {
                auto* box = new QLineEdit(surface);
                box->setReadOnly(true);
                box->setFont(ControlFont(true));
                QPalette palette = box->palette();
                palette.setColor(QPalette::Base, palette.color(QPalette::Button));
                palette.setColor(QPalette::Text, palette.color(QPalette::ButtonText));
                box->setPalette(palette);
                for (const auto& [name, field] : kFieldNames) {
                    if (name == control.name) {
                        fields_[field] = box;
                    }
                }
                tabStops.emplace_back(control.tabIndex, box);
                widget = box;
                break;
            }
            case ControlKind::CommandButton: {
                importButton_ = new QPushButton(FromLocal(control.text), surface);
                importButton_->setFont(ControlFont(false));
                connect(importButton_, &QPushButton::clicked, this,
                        [this] { form_.cmdImport_Click(); });
                tabStops.emplace_back(control.tabIndex, importButton_);
                widget = importButton_;
                break;
            }
            case ControlKind::StatusBar: {
                // Over the gradient's bottom rows, which span the whole client area as they
                // do on every frontend; the bar draws its own face.
                statusBar_ = new QStatusBar(surface);
                statusBar_->setObjectName(Name(control.name));
                statusBar_->setSizeGripEnabled(false);
                statusBar_->setAutoFillBackground(true);
                statusBar_->setFixedHeight(ToPixelsY(control.rect.height));
                statusText_ = new QLabel(FromLocal(control.text), statusBar_);
                statusText_->setObjectName(QStringLiteral("stbMainText"));
                statusBar_->addWidget(statusText_, 1);
                surface->SetBottomBar(statusBar_);
                continue;
            }
        }
        const forms::TwipsRect shown =
            forms::ShownRect(control, TwipsPerPixelX(), TwipsPerPixelY());
        widget->setObjectName(Name(control.name));
        widget->setGeometry(ToPixelsX(shown.left), ToPixelsY(shown.top), ToPixelsX(shown.width),
                            ToPixelsY(shown.height));
    }

    std::sort(tabStops.begin(), tabStops.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    for (std::size_t i = 1; i < tabStops.size(); ++i) {
        setTabOrder(tabStops[i - 1].second, tabStops[i].second);
    }
}

void MainWindow::BuildMenus() {
    for (const forms::MenuLayout& layout : forms::kMainMenus) {
        QMenu* menu = menuBar()->addMenu(FromLocal(layout.text));
        menu->setObjectName(Name(layout.name));
        menu->menuAction()->setObjectName(Name(layout.name));
        for (const forms::MenuItemLayout& item : layout.items) {
            if (item.text.empty()) {
                menu->addSeparator()->setObjectName(Name(item.name));
                continue;
            }
            QAction* action = menu->addAction(FromLocal(item.text));
            action->setObjectName(Name(item.name));
            connect(action, &QAction::triggered, this,
                    [this, command = item.command] { form_.RunMenuCommand(command); });
        }
        (layout.name == "mnuFile" ? fileMenu_ : helpMenu_) = menu;
    }
}

void MainWindow::SetDisplayField(importer::DisplayField field, std::string_view text) {
    fields_.at(field)->setText(FromLocal(text));
}

void MainWindow::SetStatusText(std::string_view text) {
    statusText_->setText(FromLocal(text));
}

importer::MessageAnswer MainWindow::ShowMessage(std::string_view text, std::string_view caption,
                                                importer::MessageButtons buttons,
                                                importer::MessageIcon icon) {
    return ShowMessageBox(isVisible() ? this : nullptr, text, caption, buttons, icon);
}

void MainWindow::YieldToEvents() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

std::function<void()> MainWindow::Waker() {
    {
        std::lock_guard lock(waker_->mutex);
        waker_->loop = QAbstractEventDispatcher::instance(thread());
        if (waker_->loop == nullptr) {
            return {};
        }
    }
    return [waker = waker_] { waker->Wake(); };
}

// A wake-up that came before the wait ends it at once: the loop keeps it until it next runs.
void MainWindow::WaitForEvents(importer::IdleWait idle) {
    QCoreApplication::processEvents(idle == importer::IdleWait::UntilWoken
                                        ? QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents
                                        : QEventLoop::AllEvents);
}

std::optional<std::string> MainWindow::PickFolder(basFiles::WindowHandle, std::string_view title) {
    if (hooks_.pickFolder) {
        return hooks_.pickFolder(this, FromLocal(title));
    }
    return PickFolderInTree(this, FromLocal(title));
}

void MainWindow::SetVersionLabel(std::string_view text) {
    versionLabel_->setText(FromLocal(text));
}

void MainWindow::SetCaption(std::string_view text) {
    setWindowTitle(FromLocal(text));
}

void MainWindow::SetImportCaption(std::string_view text) {
    importButton_->setText(FromLocal(text));
}

void MainWindow::SetEnabled(forms::MainControl control, bool enabled) {
    switch (control) {
        case forms::MainControl::cmdImport:
            return importButton_->setEnabled(enabled);
        case forms::MainControl::mnuFile:
            return fileMenu_->menuAction()->setEnabled(enabled);
        case forms::MainControl::mnuHelp:
            return helpMenu_->menuAction()->setEnabled(enabled);
    }
}

// Outer sizes include the frame, once the window manager has given the window one; the
// client area is what lies below the menu bar.
forms::WindowMetrics MainWindow::Metrics() {
    const double x = TwipsPerPixelX();
    const double y = TwipsPerPixelY();
    const QRect frame = OuterGeometry(*this);
    const QRect screenArea = screen()->geometry();
    const QRect button = importButton_->geometry();
    forms::WindowMetrics metrics;
    metrics.width = frame.width() * x;
    metrics.height = frame.height() * y;
    metrics.clientHeight = (height() - menuBar()->sizeHint().height()) * y;
    metrics.importTop = button.top() * y;
    metrics.importHeight = button.height() * y;
    metrics.statusHeight = statusBar_->height() * y;
    metrics.twipsPerPixelY = y;
    metrics.screenWidth = screenArea.width() * x;
    metrics.screenHeight = screenArea.height() * y;
    return metrics;
}

void MainWindow::SetHeight(double height) {
    const int frameExtra = OuterGeometry(*this).height() - this->height();
    setFixedHeight(ToPixelsY(height) - frameExtra);
}

void MainWindow::Move(double left, double top) {
    const QRect screenArea = screen()->geometry();
    QWidget::move(screenArea.left() + ToPixelsX(left), screenArea.top() + ToPixelsY(top));
    placement_->Placed();
}

basFiles::WindowHandle MainWindow::Handle() {
    return 1;
}

void MainWindow::OpenHelp() {
    if (hooks_.openHelp) {
        hooks_.openHelp(this);
    }
}

void MainWindow::OpenAbout() {
    if (hooks_.openAbout) {
        hooks_.openAbout(this);
    }
}

void MainWindow::Unload() {
    close();
}

void MainWindow::EndProgram() {
    if (hooks_.endProgram) {
        return hooks_.endProgram();
    }
    std::fflush(nullptr);
    std::_Exit(EXIT_FAILURE);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (form_.Form_QueryUnload()) {
        event->accept();
    } else {
        event->ignore();
    }
}

}  // namespace plumex::qt
