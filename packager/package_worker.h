// VEXOSetup's work, done on a thread of its own: open the program's own file, locate the payload
// behind the image, extract every entry into a new temporary folder while checking its check
// value, start the extracted "setup.exe" and wait for it, and remove the folder again. Every
// step is preceded by a look at the cancel request; a cancel ends the work quietly, removing the
// folder if there is one. Failures are reported by message boxes only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "common/byte_source.h"
#include "packager/format/entry_header.h"
#include "packager/format/payload_reader.h"
#include "packager/progress_view.h"
#include "packager/worker_platform.h"

namespace packager {

inline constexpr std::size_t kExtractBlockBytes = 16384;
inline constexpr const char* kSetupProgramName = "setup.exe";
inline constexpr const char* kTempFolderPrefix = "SFX";

// bytes done x 100 / size, rounded down, through a 64-bit product so that every 32-bit size
// gives 0 to 100.
std::uint32_t PercentDone(std::uint32_t done, std::uint32_t size);

class Worker {
  public:
    Worker(WorkerPlatform& platform, ProgressView& view);

    // The whole run; the thread's exit code: 0 when it ended because of a cancel, else 1.
    int Run();

    // True when every entry was written and checked, or when a cancel stopped it. The payload
    // begins at payloadOffset of the file; the folder's path is recorded as soon as the folder
    // exists.
    bool ExtractPayload(common::ByteSource& file, std::uint64_t payloadOffset, std::string& folder);
    // True when "setup.exe" was started and has ended.
    bool RunSetup(const std::string& folder);
    // True when the folder and everything in it were deleted.
    bool RemoveTree(const std::string& folder);

  private:
    enum class Outcome { Done, Failed, Stopped };

    bool Cancelled() { return view_.IsCancelled(); }
    int EndCancelled(const std::string& folder);
    Outcome ExtractEntries(common::ByteSource& file, std::uint64_t payloadOffset,
                           const std::string& folder);
    Outcome ExtractEntry(packager::format::PayloadReader& reader,
                         const packager::format::EntryHeader& header, const std::string& path);

    WorkerPlatform& platform_;
    ProgressView& view_;
    std::vector<std::uint8_t> buffer_;
};

// The worker thread's body.
int PackageWorker(WorkerPlatform& platform, ProgressView& view);

}  // namespace packager
