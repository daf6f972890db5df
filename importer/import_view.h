// What the folder walk and the labelling need of the main window: the four display fields,
// the status bar's single text, a message box, and letting pending user-interface events run.
#pragma once

#include <functional>
#include <string_view>

namespace importer {

enum class DisplayField { Show, SeasonNumber, EpisodeNumber, EpisodeID };
enum class MessageButtons { Ok, YesNo };  // Yes/No has No as its default button
enum class MessageIcon { None, Error, Question, Information };
enum class MessageAnswer { Ok, Yes, No };

// How long a view may sleep, with no event pending, while the import waits for an add.
enum class IdleWait {
    UntilWoken,  // until the next event or a call of the view's Waker, which the add's end makes
    Briefly,     // nothing tells the view of the add's end: a short while at most
};

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
    // A call that ends the view's current or next WaitForEvents at once; it may be made from any
    // thread, any number of times, also after the view is gone. Empty when the view has none.
    virtual std::function<void()> Waker() { return {}; }
    // YieldToEvents for the wait for an add: with nothing pending the view sleeps rather than
    // spins, as long as idle allows. A view that cannot sleep so just yields.
    virtual void WaitForEvents(IdleWait /*idle*/) { YieldToEvents(); }
};

}  // namespace importer
