#include "packager/message_boxes.h"

namespace packager {

MessageBoxSpec InitializationErrorBox(SetupStep step) {
    std::string_view caption;
    switch (step) {
        case SetupStep::CreateThread:
            caption = "CreateThread";
            break;
        case SetupStep::CreateMutex:
            caption = "CreateMutex";
            break;
        case SetupStep::CreateEvent:
            caption = "CreateEvent";
            break;
        case SetupStep::DesktopRect:
            caption = "GetClientRect(GetDesktopWindow)";
            break;
        case SetupStep::RegisterClass:
            caption = "RegisterClassEx";
            break;
        case SetupStep::CreateMainWindow:
            caption = "CreateWindowEx(hWndMain)";
            break;
        case SetupStep::MainWindowRect:
            caption = "GetClientRect(hWndMain)";
            break;
        case SetupStep::CreateStatus:
            caption = "CreateWindowEx(hStatus)";
            break;
        case SetupStep::CreateCancel:
            caption = "CreateWindowEx(hCancel)";
            break;
        case SetupStep::UpdateMainWindow:
            caption = "UpdateWindow(hWndMain)";
            break;
        case SetupStep::UpdateStatus:
            caption = "UpdateWindow(hStatus)";
            break;
        case SetupStep::UpdateCancel:
            caption = "UpdateWindow(hCancel)";
            break;
    }
    // Once the progress window exists it owns the boxes of the later steps.
    const MessageOwner owner =
        step >= SetupStep::MainWindowRect ? MessageOwner::ProgressWindow : MessageOwner::None;
    return {"Initialization Error.", caption, MessageIcon::Error, owner};
}

}  // namespace packager
