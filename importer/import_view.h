// What the folder walk and the labelling need of the main window: the four display fields,
// the status bar's single text, a message box, and letting pending user-interface events run.
#pragma once

#include <string_view>

namespace importer {

enum class DisplayField { Show, SeasonNumber, EpisodeNumber, EpisodeID };
enum class MessageButtons { Ok, YesNo };  // Yes/No has No as its default button
enum class MessageIcon { None, Error, Question, Information };
enum class MessageAnswer { Ok, Yes, No };

class ImportView {
  public:
    virtual ~ImportView() = default;
    virtual void SetDisplayField(DisplayField field, std::string_view text) = 0;
    virtual void SetStatusText(std::string_view text) = 0;
    // Modal; returns the button the user chose.
    virtual MessageAnswer ShowMessage(std::string_view text, std::string_view caption,
                                      MessageButtons buttons, MessageIcon icon) = 0;
    // Runs every pending user-interface event (a click on Cancel among them) and returns.
    virtual void YieldToEvents() = 0;
};

}  // namespace importer
