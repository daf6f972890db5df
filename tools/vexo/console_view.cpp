#include "tools/vexo/console_view.h"

#include <ostream>
#include <thread>
#include <utility>

#include "tools/vexo/interrupt_guard.h"
#include "tools/vexo/printable.h"

namespace vexo::cli {
namespace {

using importer::DisplayField;
using importer::MessageAnswer;
using importer::MessageButtons;
using importer::MessageIcon;

constexpr std::string_view kAddingPrefix = "Adding ";
constexpr std::string_view kLabelingPrefix = "Labeling ";

}  // namespace

std::string EpisodeLine(std::string_view show, std::string_view season, std::string_view episode,
                        std::string_view title) {
    return Printable(show) + " - season " + std::string(season) + ", episode " +
           std::string(episode) + ": " + Printable(title);
}

ConsoleView::ConsoleView(std::string folder, std::ostream& out, std::ostream& err)
    : folder_(std::move(folder)), out_(out), err_(err) {}

void ConsoleView::SetDisplayField(DisplayField field, std::string_view text) {
    fields_[field] = std::string(text);
}

// The labelling sets the display fields and then announces the file; that is the moment to
// print its line. A file that was announced but never labelled is told when the next status
// (the next file, or "OK" after the walk) arrives.
void ConsoleView::SetStatusText(std::string_view text) {
    status_ = std::string(text);
    if (text.starts_with(kLabelingPrefix)) {
        fileUnlabelled_ = false;
        return;
    }
    if (fileUnlabelled_) {
        err_ << (stopping_ ? "    not labelled: the import was stopped\n"
                           : "    not labelled: the library did not take the file\n");
        fileUnlabelled_ = false;
    }
    if (!text.starts_with(kAddingPrefix)) {
        return;
    }
    fileUnlabelled_ = true;
    ++filesStarted_;
    err_ << "[" << filesStarted_ << "] "
         << EpisodeLine(fields_[DisplayField::Show], fields_[DisplayField::SeasonNumber],
                        fields_[DisplayField::EpisodeNumber], fields_[DisplayField::EpisodeID])
         << '\n';
}

MessageAnswer ConsoleView::ShowMessage(std::string_view text, std::string_view,
                                       MessageButtons buttons, MessageIcon icon) {
    if (buttons == MessageButtons::YesNo) {
        // Only Ctrl+C asks a question here, and it means "yes, cancel". Anything else gets the
        // default button.
        const bool yes = answeringInterrupt_;
        err_ << "vexo import: " << text << (yes ? " Yes" : " No") << '\n';
        return yes ? MessageAnswer::Yes : MessageAnswer::No;
    }
    if (icon == MessageIcon::Information) {
        out_ << text << '\n';
        reported_ = true;
    } else {
        err_ << "vexo import: " << text << '\n';
        failed_ = true;
    }
    return MessageAnswer::Ok;
}

void ConsoleView::YieldToEvents() {
    TakeEvents();
}

std::function<void()> ConsoleView::Waker() {
    if (!wake_->Ok()) {
        return {};
    }
    return [wake = wake_] { wake->Wake(); };
}

// Ctrl+C is the only event a terminal brings, so the import sleeps until it comes or the add
// ends.
void ConsoleView::WaitForEvents(importer::IdleWait idle) {
    if (idle != importer::IdleWait::UntilWoken) {
        TakeEvents();
        // Nothing tells of the add's end, so the import polls: the library's worker gets the
        // processor between the reads.
        std::this_thread::yield();
        return;
    }
    {
        const InterruptWakes interrupts(*wake_);
        if (!InterruptGuard::InterruptPending()) {
            wake_->Sleep();
        }
    }
    TakeEvents();
}

void ConsoleView::TakeEvents() {
    if (yieldHook_) {
        yieldHook_(*this);
    }
    if (InterruptGuard::TakeInterrupt()) {
        if (CancelClickable()) {
            err_ << "vexo import: interrupted; stopping after the current step\n";
            stopping_ = true;
            answeringInterrupt_ = true;
            form_->cmdImport_Click();
            answeringInterrupt_ = false;
        } else if (stopping_) {
            err_ << "vexo import: already stopping\n";
        }
    }
}

std::optional<std::string> ConsoleView::PickFolder(basFiles::WindowHandle, std::string_view) {
    return std::exchange(folder_, std::nullopt);
}

void ConsoleView::SetVersionLabel(std::string_view text) {
    err_ << "vexo import: " << text << '\n';
}

void ConsoleView::SetEnabled(forms::MainControl control, bool enabled) {
    if (control == forms::MainControl::cmdImport) {
        importEnabled_ = enabled;
    }
}

// A disabled button takes no click: while the question is open or the import is stopping, a
// further Ctrl+C changes nothing, and once the import is over it cannot start another.
bool ConsoleView::CancelClickable() const {
    return form_ != nullptr && importEnabled_ && importCaption_ == forms::kCancelCaption;
}

}  // namespace vexo::cli
