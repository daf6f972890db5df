// Every message box VEXOSetup shows: all have an OK button only. The worker's boxes have fixed
// texts and captions; a set-up failure reads "Initialization Error." under a caption that names
// the step that failed.
#pragma once

#include <string_view>

namespace packager {

enum class MessageIcon { Error, Warning };

// Boxes owned by the progress window stay above it; the others stand alone (the window may
// already be hidden, or not exist yet).
enum class MessageOwner { None, ProgressWindow };

struct MessageBoxSpec {
    std::string_view text;
    std::string_view caption;
    MessageIcon icon = MessageIcon::Error;
    MessageOwner owner = MessageOwner::None;

    friend bool operator==(const MessageBoxSpec&, const MessageBoxSpec&) = default;
};

inline constexpr MessageBoxSpec kOwnPathFailureBox{
    "Fatal Error.", "GetModuleFileName", MessageIcon::Error, MessageOwner::ProgressWindow};

inline constexpr MessageBoxSpec kOpenFailureBox{"Fatal Error.", "CreateFile", MessageIcon::Error,
                                                MessageOwner::ProgressWindow};

inline constexpr MessageBoxSpec kExtractionFailureBox{
    "Unable to extract package due to an incomplete or corrupt package.\n\n"
    "If you downloaded this file, please download it again, and retry.",
    "Extraction Failure", MessageIcon::Warning, MessageOwner::ProgressWindow};

inline constexpr MessageBoxSpec kSetupFailureBox{
    "Unable to start SETUP.EXE due to a corrupt package.\n\n"
    "If you downloaded this file, please download it again, and retry.",
    "SETUP.EXE Failure", MessageIcon::Warning, MessageOwner::None};

inline constexpr MessageBoxSpec kRemovalFailureBox{
    "Unable to remove temporary directory and files.", "Removal Failure", MessageIcon::Warning,
    MessageOwner::None};

// The steps of setting the program up, each with the caption of its failure box. Steps up to
// and including the creation of the progress window have no owner for their box.
enum class SetupStep {
    CreateThread,
    CreateMutex,
    CreateEvent,
    DesktopRect,
    RegisterClass,
    CreateMainWindow,
    MainWindowRect,
    CreateStatus,
    CreateCancel,
    UpdateMainWindow,
    UpdateStatus,
    UpdateCancel,
};

MessageBoxSpec InitializationErrorBox(SetupStep step);

}  // namespace packager
