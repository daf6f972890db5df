// VEXOSetup's work, done on a thread of its own: open the program's own file, locate the payload
// behind the image, extract every entry into a new temporary folder while checking its check
// value, start the extracted "setup.exe" and wait for it, and remove the folder again. Every
// step is preceded by a look at the cancel request; a cancel ends the work quietly, removing the
// folder if there is one. Failures are reported by message boxes only.
//
// The work asks for no memory: it runs in a WorkerMemory that the program made as it set itself
// up, so that memory cannot run out half-way and leave a folder behind. A system call that fails
// for want of memory fails the step at hand as any other failure of that call would.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "common/byte_source.h"
#include "packager/format/entry_header.h"
#include "packager/format/entry_name.h"
#include "packager/format/payload_reader.h"
#include "packager/path_buffer.h"
#include "packager/progress_view.h"
#include "packager/worker_platform.h"

namespace packager {

inline constexpr std::size_t kExtractBlockBytes = 16384;
inline constexpr const char* kSetupProgramName = "setup.exe";
inline constexpr const char* kTempFolderPrefix = "SFX";
// The longest path Windows hands out (32,767 characters) with its NUL; Linux's are shorter.
inline constexpr std::size_t kLongestPath = 32768;

// What one run works in.
struct WorkerMemory {
    std::array<char, kLongestPath> folder;  // the temporary folder, then the one made in it
    // The program's own path, then each entry's, setup's, and the removal's.
    std::array<char, kLongestPath> path;
    std::array<std::uint8_t, kExtractBlockBytes> block;
};
static_assert(kLongestPath >= packager::format::kPathBufferBytes);

// bytes done (at most size) x 100 / size, rounded down, through a 64-bit product so that every
// 32-bit size gives 0 to 100.
std::uint32_t PercentDone(std::uint32_t done, std::uint32_t size);

class Worker {
  public:
    Worker(WorkerPlatform& platform, ProgressView& view, WorkerMemory& memory);

    // The whole run; the thread's exit code: 0 when it ended because of a cancel, else 1.
    int Run();

    // True when every entry was written and checked, or when a cancel stopped it. The payload
    // begins at payloadOffset of the file; Folder() names the folder as soon as it exists.
    bool ExtractPayload(common::ByteSource& file, std::uint64_t payloadOffset);
    // The folder made for the entries; empty until there is one.
    std::string_view Folder() const { return folderMade_ ? folder_.View() : std::string_view(); }
    // True when "setup.exe" in Folder() was started and has ended.
    bool RunSetup();
    // True when the folder and everything in it were deleted.
    bool RemoveTree(std::string_view folder);

  private:
    enum class Outcome { Done, Failed, Stopped };

    bool Cancelled() { return view_.IsCancelled(); }
    int EndCancelled();
    Outcome ExtractEntries(common::ByteSource& file, std::uint64_t payloadOffset);
    Outcome ExtractEntry(packager::format::PayloadReader& reader,
                         const packager::format::EntryHeader& header, const char* path);

    WorkerPlatform& platform_;
    ProgressView& view_;
    WorkerMemory& memory_;
    PathBuffer folder_;
    PathBuffer path_;
    bool folderMade_ = false;
};

// The worker thread's body.
int PackageWorker(WorkerPlatform& platform, ProgressView& view, WorkerMemory& memory);

}  // namespace packager
