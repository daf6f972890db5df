// What the setup program asks and tells its user: message boxes, or, for unattended runs
// (VEXO_SETUP_AUTOANSWER=1), every question answered yes without a box and every text written
// to the standard error handle, so that the exit code and that text are the whole report.
#pragma once

#include <string>
#include <utility>

namespace setup::win32 {

bool AutoAnswerRequested();

class Dialogue {
  public:
    Dialogue(std::string caption, bool autoAnswer)
        : caption_(std::move(caption)), autoAnswer_(autoAnswer) {}

    // Yes or No; true for yes.
    bool Confirm(const std::string& text) const;
    void Inform(const std::string& text) const;
    void Complain(const std::string& text) const;

  private:
    // Shows the box, or reports its text and gives the default answer.
    int Show(const std::string& text, unsigned style, int defaultAnswer) const;

    std::string caption_;
    bool autoAnswer_;
};

}  // namespace setup::win32
