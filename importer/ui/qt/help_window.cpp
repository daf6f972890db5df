#include "importer/ui/qt/help_window.h"

#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <algorithm>
#include <cmath>

#include "importer/forms/help_text.h"
#include "importer/ui/qt/gradient_widget.h"
#include "importer/ui/qt/help_pictures.h"
#include "importer/ui/qt/mouse_buttons.h"

namespace plumex::qt {
namespace {

// A picture at its natural size, with a single fixed border over its outermost pixels.
class PictureBox final : public QWidget {
  public:
    PictureBox(const QImage& picture, QWidget* parent)
        : QWidget(parent), picture_(QPixmap::fromImage(picture)) {
        setAttribute(Qt::WA_OpaquePaintEvent);
        resize(picture_.size());
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.drawPixmap(0, 0, picture_);
        painter.setPen(Qt::black);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }

  private:
    QPixmap picture_;
};

int TwipsToPixels(double twips, double twipsPerPixel) {
    return static_cast<int>(std::lround(twips / twipsPerPixel));
}

// The rectangle the Help window is centred over: the owner's frame, else the screen.
forms::TwipsRect OwnerBounds(const QWidget* owner, const QWidget& help) {
    const QRect area =
        owner != nullptr ? OuterGeometry(*owner) : QGuiApplication::primaryScreen()->geometry();
    const double x = TwipsPerPixelX(owner != nullptr ? *owner : help);
    const double y = TwipsPerPixelY(owner != nullptr ? *owner : help);
    return forms::TwipsRect{area.x() * x, area.y() * y, area.width() * x, area.height() * y};
}

}  // namespace

HelpWindow::HelpWindow(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                         Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      measurer_(*this),
      form_(*this, measurer_, OwnerBounds(owner, *this)) {
    setWindowTitle(QString::fromLatin1(forms::kHelpCaption.data(),
                                       static_cast<qsizetype>(forms::kHelpCaption.size())));
    setWindowIcon(HelpIcon());
    setAttribute(Qt::WA_OpaquePaintEvent);

    label_ = new QLabel(this);
    label_->setObjectName(QStringLiteral("lblHelp"));
    label_->setTextFormat(Qt::PlainText);
    label_->setWordWrap(true);
    label_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label_->setMargin(0);
    label_->setIndent(0);
    label_->setContentsMargins(0, 0, 0, 0);
    label_->setFont(ToQFont(forms::kHelpLabelFont));
    QPalette palette = label_->palette();
    palette.setColor(QPalette::WindowText, Qt::white);
    label_->setPalette(palette);

    folder_ = new PictureBox(FolderTreePicture(), this);
    folder_->setObjectName(QStringLiteral("imgFolder"));
    file_ = new PictureBox(SeasonFolderPicture(), this);
    file_->setObjectName(QStringLiteral("imgFile"));

    for (QWidget* control : {static_cast<QWidget*>(label_), folder_, file_}) {
        control->installEventFilter(this);
    }

    // The layout counts the frame: a window that exists has one as far as the platform knows
    // it before the window is first shown. Where the window manager adds it only once the
    // window is shown, the window keeps its centre then.
    winId();
    placement_ = new FramePlacement(*this);
}

HelpWindow::~HelpWindow() = default;

forms::HelpMetrics HelpWindow::Metrics() {
    const double x = TwipsPerPixelX(*this);
    const double y = TwipsPerPixelY(*this);
    const QRect frame = OuterGeometry(*this);
    forms::HelpMetrics metrics;
    metrics.twipsPerPixelX = x;
    metrics.twipsPerPixelY = y;
    metrics.outerWidth = frame.width() * x;
    metrics.outerHeight = frame.height() * y;
    metrics.clientWidth = width() * x;
    metrics.clientHeight = height() * y;
    return metrics;
}

void HelpWindow::SetLabelText(std::string_view text) {
    label_->setText(ToDisplayText(text));
}

// Outer bounds: the client gets what the frame leaves of them. Not clamped to the screen.
void HelpWindow::Move(const forms::TwipsRect& bounds) {
    const double x = TwipsPerPixelX(*this);
    const double y = TwipsPerPixelY(*this);
    const QRect frame = OuterGeometry(*this);
    const int frameWidth = frame.width() - width();
    const int frameHeight = frame.height() - height();
    setFixedSize(std::max(TwipsToPixels(bounds.width, x) - frameWidth, 0),
                 std::max(TwipsToPixels(bounds.height, y) - frameHeight, 0));
    move(TwipsToPixels(bounds.left, x), TwipsToPixels(bounds.top, y));
    placement_->Placed();
}

QRect HelpWindow::ToPixels(const forms::TwipsRect& rect) const {
    const double x = TwipsPerPixelX(*this);
    const double y = TwipsPerPixelY(*this);
    return QRect(TwipsToPixels(rect.left, x), TwipsToPixels(rect.top, y),
                 TwipsToPixels(rect.width, x), TwipsToPixels(rect.height, y));
}

void HelpWindow::PlaceControls(const forms::HelpControls& controls) {
    label_->setGeometry(ToPixels(controls.lblHelp));
    folder_->setGeometry(ToPixels(controls.imgFolder));
    file_->setGeometry(ToPixels(controls.imgFile));
}

void HelpWindow::PaintBackground(const std::vector<forms::GradientLine>& lines) {
    background_ = lines;
    update();
}

void HelpWindow::Unload() {
    accept();
}

void HelpWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    for (const forms::GradientLine& line : background_) {
        painter.setPen(QColor(line.colour.red, line.colour.green, line.colour.blue));
        painter.drawLine(0, line.row, width(), line.row);
    }
}

void HelpWindow::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    form_.Form_Resize();
}

forms::HelpTarget HelpWindow::TargetAt(QPoint point) const {
    if (!rect().contains(point)) {
        return forms::HelpTarget::Outside;
    }
    if (label_->geometry().contains(point)) {
        return forms::HelpTarget::lblHelp;
    }
    if (folder_->geometry().contains(point)) {
        return forms::HelpTarget::imgFolder;
    }
    if (file_->geometry().contains(point)) {
        return forms::HelpTarget::imgFile;
    }
    return forms::HelpTarget::Form;
}

// The form decides which presses and releases make a click; the window only says where.
void HelpWindow::mousePressEvent(QMouseEvent* event) {
    form_.MouseDown(TargetAt(event->position().toPoint()), ButtonValue(event->button()));
}

void HelpWindow::mouseReleaseEvent(QMouseEvent* event) {
    form_.MouseUp(TargetAt(event->position().toPoint()), ButtonValue(event->button()));
}

// The controls' presses and releases (a release goes to the control the press was on) come
// to the window, in its coordinates.
bool HelpWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::MouseButtonPress && event->type() != QEvent::MouseButtonRelease) {
        return QDialog::eventFilter(watched, event);
    }
    const auto* mouse = static_cast<QMouseEvent*>(event);
    const QPoint point = static_cast<QWidget*>(watched)->mapTo(this, mouse->position().toPoint());
    if (event->type() == QEvent::MouseButtonPress) {
        form_.MouseDown(TargetAt(point), ButtonValue(mouse->button()));
    } else {
        form_.MouseUp(TargetAt(point), ButtonValue(mouse->button()));
    }
    return true;
}

void ShowHelpWindow(QWidget* owner) {
    HelpWindow window(owner);
    window.Form().Form_Load();
    window.exec();
}

}  // namespace plumex::qt
