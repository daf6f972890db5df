#include "packager/package_worker.h"

#include <algorithm>
#include <memory>
#include <new>
#include <optional>
#include <span>
#include <utility>

#include "packager/format/check_value.h"
#include "packager/format/entry_name.h"
#include "packager/format/locate_payload.h"

namespace packager {

namespace {

constexpr char kSeparator = packager::format::kPathSeparator;

// The folder's removal at the end of a run, after the run's own guard: memory running out on the
// way leaves the folder as any other removal that fails does.
bool RemoveAtEnd(Worker& worker, const std::string& folder) {
    try {
        return worker.RemoveTree(folder);
    } catch (const std::bad_alloc&) {
        return false;
    }
}

}  // namespace

std::uint32_t PercentDone(std::uint32_t done, std::uint32_t size) {
    if (size == 0) {
        return 0;
    }
    return static_cast<std::uint32_t>(std::uint64_t{done} * 100 / size);
}

// The block buffer is had with the first entry, inside the run's guard against running out of
// memory, so that making a worker never fails.
Worker::Worker(WorkerPlatform& platform, ProgressView& view) : platform_(platform), view_(view) {}

int Worker::Run() {
    // Recorded as soon as the folder exists, so that it is removed however the run ends.
    std::string folder;
    try {
        const std::optional<std::string> ownPath = platform_.OwnPath();
        if (!ownPath) {
            view_.ShowMessage(kOwnPathFailureBox);
            return 1;
        }
        if (Cancelled()) {
            return 0;
        }

        view_.SetStatus("Opening Package");
        std::unique_ptr<common::ByteSource> file = platform_.OpenForReading(*ownPath);
        if (!file) {
            view_.ShowMessage(kOpenFailureBox);
            return 1;
        }
        if (Cancelled()) {
            return 0;
        }

        view_.SetStatus("Validating Package");
        const packager::format::PayloadLocation location =
            packager::format::LocatePayload(*file, [this] { return Cancelled(); });
        if (location.result == packager::format::LocateResult::Failed) {
            file.reset();
            view_.ShowMessage(kExtractionFailureBox);
            return 1;
        }
        if (Cancelled()) {
            return 0;
        }

        view_.SetStatus("Extracting Package");
        const bool extracted = ExtractPayload(*file, location.offset, folder);
        file.reset();
        if (Cancelled()) {
            return EndCancelled(folder);
        }
        if (!extracted) {
            view_.ShowMessage(kExtractionFailureBox);
        } else {
            if (Cancelled()) {
                return EndCancelled(folder);
            }
            if (!RunSetup(folder)) {
                view_.ShowMessage(kSetupFailureBox);
            }
        }
    } catch (const std::bad_alloc&) {
        // Memory ran out: the run ends as one whose package could not be extracted. Unwinding
        // has closed whatever file the steps had open, so the folder can be emptied.
        view_.ShowMessage(kExtractionFailureBox);
    }

    if (Cancelled()) {
        return EndCancelled(folder);
    }
    if (!folder.empty() && !RemoveAtEnd(*this, folder)) {
        view_.ShowMessage(kRemovalFailureBox);
    }
    return 1;
}

int Worker::EndCancelled(const std::string& folder) {
    // A removal after a cancel reports nothing.
    if (!folder.empty()) {
        RemoveAtEnd(*this, folder);
    }
    return 0;
}

bool Worker::ExtractPayload(common::ByteSource& file, std::uint64_t payloadOffset,
                            std::string& folder) {
    // The check-value tables are built once per process by the format library.
    if (Cancelled()) {
        return true;
    }
    view_.SetStatus("Extracting Package");
    const std::optional<std::string> temp = platform_.TempFolder();
    if (!temp) {
        return false;
    }
    if (Cancelled()) {
        return true;
    }

    // The folder gets its unique name as it is created, so no other process can take the name
    // in between or prepare the folder beforehand. Without it nothing can be extracted safely.
    view_.SetStatus("Creating Temp Folder");
    std::optional<std::string> created = platform_.CreateUniqueFolder(*temp, kTempFolderPrefix);
    if (!created) {
        return false;
    }
    // Moved, not copied: once the folder exists, nothing may run out of memory before its path
    // is recorded.
    folder = std::move(*created);
    if (Cancelled()) {
        return true;
    }
    return ExtractEntries(file, payloadOffset, folder) != Outcome::Failed;
}

Worker::Outcome Worker::ExtractEntries(common::ByteSource& file, std::uint64_t payloadOffset,
                                       const std::string& folder) {
    buffer_.resize(kExtractBlockBytes);
    packager::format::PayloadReader reader(file, payloadOffset);
    const std::optional<std::uint32_t> count = reader.ReadEntryCount();
    if (!count) {
        return Outcome::Failed;
    }
    if (Cancelled()) {
        return Outcome::Stopped;
    }
    for (std::uint32_t i = 0; i < *count; ++i) {
        if (Cancelled()) {
            return Outcome::Stopped;
        }
        const std::optional<packager::format::EntryHeader> header = reader.ReadEntryHeader();
        if (!header) {
            return Outcome::Failed;
        }
        // A name that would leave the folder, or a path too long for it, is a corrupt package.
        const std::optional<std::string> path = packager::format::EntryPath(folder, *header);
        if (!path) {
            return Outcome::Failed;
        }
        view_.SetStatus("Extracting " + std::string(header->Name().value_or("")));
        if (Cancelled()) {
            return Outcome::Stopped;
        }
        const Outcome outcome = ExtractEntry(reader, *header, *path);
        if (outcome != Outcome::Done) {
            return outcome;
        }
    }
    return Outcome::Done;
}

Worker::Outcome Worker::ExtractEntry(packager::format::PayloadReader& reader,
                                     const packager::format::EntryHeader& header,
                                     const std::string& path) {
    std::unique_ptr<WritableFile> out = platform_.CreateFile(path);
    if (!out) {
        return Outcome::Failed;
    }
    // Every byte is read once: the check value is updated on each block in passing.
    packager::format::CheckValue check;
    for (std::uint32_t done = 0; done < header.size;) {
        const std::size_t length = std::min<std::uint32_t>(
            header.size - done, static_cast<std::uint32_t>(kExtractBlockBytes));
        const std::span<std::uint8_t> block(buffer_.data(), length);
        if (Cancelled()) {
            return Outcome::Stopped;
        }
        view_.SetProgress(PercentDone(done, header.size));
        if (!reader.ReadEntryData(block)) {
            return Outcome::Failed;
        }
        if (Cancelled()) {
            return Outcome::Stopped;
        }
        check.Update(block);
        if (Cancelled()) {
            return Outcome::Stopped;
        }
        if (!out->Write(block)) {
            return Outcome::Failed;
        }
        if (Cancelled()) {
            return Outcome::Stopped;
        }
        if (!out->Flush()) {
            return Outcome::Failed;
        }
        done += static_cast<std::uint32_t>(length);
    }
    view_.SetProgress(0);
    out.reset();
    return check.Finish() == header.checkValue ? Outcome::Done : Outcome::Failed;
}

bool Worker::RunSetup(const std::string& folder) {
    // From here on the user no longer sees the window and cannot cancel.
    view_.HideWindow();
    std::string program = folder;
    if (!program.empty() && program.back() == kSeparator) {
        program.pop_back();
    }
    program.append(1, kSeparator).append(kSetupProgramName);
    return platform_.StartAndWait(program);
}

bool Worker::RemoveTree(const std::string& folder) {
    view_.HideCancelButton();
    std::string path = folder;
    if (!path.empty() && path.back() == kSeparator) {
        path.pop_back();
    }
    const FolderListing listing = platform_.ListFolder(path);
    if (listing.opened) {
        for (const FolderItem& item : listing.items) {
            const std::string child = path + kSeparator + item.name;
            const bool removed = item.isFolder ? RemoveTree(child) : platform_.DeleteFile(child);
            if (!removed) {
                return false;
            }
        }
        if (!listing.closedCleanly) {
            return false;
        }
    }
    return platform_.RemoveFolder(path);
}

int PackageWorker(WorkerPlatform& platform, ProgressView& view) {
    Worker worker(platform, view);
    return worker.Run();
}

}  // namespace packager
