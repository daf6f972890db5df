// frmMain's window on a terminal, for the headless import: the chosen folder stands in for
// the folder chooser, progress and failures go to stderr, the completion report to stdout,
// and Ctrl+C clicks the Cancel button and confirms the question that follows.
#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "importer/forms/frmMain.h"
#include "importer/forms/main_window_view.h"
#include "tools/vexo/wake_pipe.h"

namespace vexo::cli {

// "The Show - season 1, episode 3: Pilot", control characters made visible.
std::string EpisodeLine(std::string_view show, std::string_view season, std::string_view episode,
                        std::string_view title);

class ConsoleView : public forms::MainWindowView {
  public:
    // folder is what the folder chooser answers, once.
    ConsoleView(std::string folder, std::ostream& out, std::ostream& err);

    // The window whose Cancel button an interrupt clicks.
    void Attach(forms::frmMain& form) { form_ = &form; }
    // Runs at every yield, before a pending interrupt is taken.
    void SetYieldHook(std::function<void(const ConsoleView&)> hook) {
        yieldHook_ = std::move(hook);
    }

    // The program ended through EndProgram (a failed check, no library).
    bool Ended() const { return ended_; }
    // A message with the error icon, or one without an icon, was shown.
    bool Failed() const { return failed_; }
    // The completion report was printed.
    bool Reported() const { return reported_; }
    // Files handed to the library so far ("Adding ..." seen).
    std::int32_t FilesStarted() const { return filesStarted_; }
    const std::string& StatusText() const { return status_; }

    void SetDisplayField(importer::DisplayField field, std::string_view text) override;
    void SetStatusText(std::string_view text) override;
    importer::MessageAnswer ShowMessage(std::string_view text, std::string_view caption,
                                        importer::MessageButtons buttons,
                                        importer::MessageIcon icon) override;
    void YieldToEvents() override;
    std::function<void()> Waker() override;
    void WaitForEvents(importer::IdleWait idle) override;

    std::optional<std::string> PickFolder(basFiles::WindowHandle owner,
                                          std::string_view title) override;

    void SetVersionLabel(std::string_view text) override;
    void SetCaption(std::string_view) override {}
    void SetImportCaption(std::string_view text) override { importCaption_ = std::string(text); }
    void SetEnabled(forms::MainControl control, bool enabled) override;
    forms::WindowMetrics Metrics() override { return {}; }
    void SetHeight(double) override {}
    void Move(double, double) override {}
    basFiles::WindowHandle Handle() override { return 0; }
    void OpenHelp() override {}
    void OpenAbout() override {}
    void Unload() override {}
    void EndProgram() override { ended_ = true; }

  private:
    // The button reads Cancel and can be clicked.
    bool CancelClickable() const;
    // The yield hook, then an interrupt's click when one is pending.
    void TakeEvents();

    std::optional<std::string> folder_;
    std::ostream& out_;
    std::ostream& err_;
    forms::frmMain* form_ = nullptr;
    std::function<void(const ConsoleView&)> yieldHook_;
    // Shared with the library's thread, which may wake it after this view is gone.
    std::shared_ptr<const WakePipe> wake_ = std::make_shared<const WakePipe>();

    std::map<importer::DisplayField, std::string> fields_;
    std::string status_;
    std::string importCaption_{forms::kImportCaption};
    bool importEnabled_ = true;
    // An interrupt's click is being handled: its question is answered Yes.
    bool answeringInterrupt_ = false;
    bool stopping_ = false;
    // The file announced last has not reached its labelling (yet).
    bool fileUnlabelled_ = false;

    bool ended_ = false;
    bool failed_ = false;
    bool reported_ = false;
    std::int32_t filesStarted_ = 0;
};

}  // namespace vexo::cli
