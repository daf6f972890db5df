// What both platforms' outputs share; the temporary file itself is each platform's own.
#include "tools/vexo/atomic_output.h"

namespace vexo::cli {

AtomicOutput::AtomicOutput(std::filesystem::path path) : path_(std::move(path)) {}

AtomicOutput::~AtomicOutput() {
    Discard();
}

// The first failure is the one to report: what follows from it (the discarded temporary file)
// is no news to the user.
bool AtomicOutput::Fail(std::string what) {
    if (error_.empty()) {
        error_ = std::move(what);
    }
    Discard();
    return false;
}

}  // namespace vexo::cli
