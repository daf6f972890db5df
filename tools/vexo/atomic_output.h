// A file that appears at its path complete or not at all. The bytes go to a temporary file in
// the same folder, which is flushed to the disk and then renamed over the path: until then the
// path keeps whatever it held, and an output that is never committed removes its temporary
// file again. An interrupt (Ctrl+C) while writing fails the output the same way.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

#include "tools/packagewriter/package_writer.h"
#include "tools/vexo/interrupt_guard.h"

namespace vexo::cli {

class AtomicOutput final : public packagewriter::ByteSink {
  public:
    explicit AtomicOutput(std::filesystem::path path);
    ~AtomicOutput() override;
    AtomicOutput(const AtomicOutput&) = delete;
    AtomicOutput& operator=(const AtomicOutput&) = delete;

    // Creates the temporary file; false, with Error() set, when it cannot be.
    bool Open();

    bool Write(std::span<const std::uint8_t> bytes) override;

    // Gives the file its permission bits (not on Windows, where a file has none), flushes it to
    // the disk and renames it over the path.
    bool Commit(std::filesystem::perms permissions);

    // What failed last, for the user ("cannot write .../.vexo-package-Ab12Cd: No space left on
    // device").
    const std::string& Error() const { return error_; }

  private:
    bool Fail(std::string what);
    void Discard();

    std::filesystem::path path_;
    std::string temporary_;
    // The open temporary file: a descriptor, or on Windows a HANDLE; both use -1 for none.
    static constexpr std::intptr_t kNoHandle = -1;
    std::intptr_t handle_ = kNoHandle;
    std::string error_;
    InterruptGuard interruptGuard_;
};

}  // namespace vexo::cli
