#include "packager/package_worker.h"

#include <algorithm>
#include <optional>
#include <span>

#include "packager/format/check_value.h"
#include "packager/format/locate_payload.h"

namespace packager {

namespace {

constexpr char kSeparator = packager::format::kPathSeparator;
constexpr std::string_view kSeparatorText(&kSeparator, 1);
constexpr std::string_view kExtractingPhase = "Extracting ";

}  // namespace

std::uint32_t PercentDone(std::uint32_t done, std::uint32_t size) {
    if (size == 0) {
        return 0;
    }
    // The 64-bit product divided by shifts and subtractions: the quotient has at most seven
    // bits, and a 32-bit processor has no instruction for a 64-bit division (the library's
    // routine for it would be most of a KiB of the Windows stub).
    std::uint64_t rest = std::uint64_t{done} * 100;
    std::uint32_t percent = 0;
    for (int bit = 6; bit >= 0; --bit) {
        const std::uint64_t part = std::uint64_t{size} << bit;
        if (rest >= part) {
            rest -= part;
            percent |= 1u << bit;
        }
    }
    return percent;
}

Worker::Worker(WorkerPlatform& platform, ProgressView& view, WorkerMemory& memory)
    : platform_(platform),
      view_(view),
      memory_(memory),
      folder_(memory.folder),
      path_(memory.path) {}

int Worker::Run() {
    if (!platform_.OwnPath(path_)) {
        view_.ShowMessage(kOwnPathFailureBox);
        return 1;
    }
    if (Cancelled()) {
        return 0;
    }

    view_.SetStatus("Opening Package");
    bool extracted = false;
    {
        OpenedPackage file(platform_, platform_.OpenForReading(path_.CStr()));
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
            file.Close();
            view_.ShowMessage(kExtractionFailureBox);
            return 1;
        }
        if (Cancelled()) {
            return 0;
        }

        view_.SetStatus("Extracting Package");
        extracted = ExtractPayload(*file, location.offset);
    }
    if (Cancelled()) {
        return EndCancelled();
    }
    if (!extracted) {
        view_.ShowMessage(kExtractionFailureBox);
    } else {
        if (Cancelled()) {
            return EndCancelled();
        }
        if (!RunSetup()) {
            view_.ShowMessage(kSetupFailureBox);
        }
    }

    if (Cancelled()) {
        return EndCancelled();
    }
    if (folderMade_ && !RemoveTree(Folder())) {
        view_.ShowMessage(kRemovalFailureBox);
    }
    return 1;
}

int Worker::EndCancelled() {
    // A removal after a cancel reports nothing.
    if (folderMade_) {
        RemoveTree(Folder());
    }
    return 0;
}

bool Worker::ExtractPayload(common::ByteSource& file, std::uint64_t payloadOffset) {
    if (Cancelled()) {
        return true;
    }
    view_.SetStatus("Extracting Package");
    if (!platform_.TempFolder(folder_)) {
        return false;
    }
    if (Cancelled()) {
        return true;
    }

    // The folder gets its unique name as it is created, so no other process can take the name
    // in between or prepare the folder beforehand. Without it nothing can be extracted safely.
    view_.SetStatus("Creating Temp Folder");
    if (!platform_.CreateUniqueFolder(folder_, kTempFolderPrefix)) {
        return false;
    }
    folderMade_ = true;
    if (Cancelled()) {
        return true;
    }
    return ExtractEntries(file, payloadOffset) != Outcome::Failed;
}

Worker::Outcome Worker::ExtractEntries(common::ByteSource& file, std::uint64_t payloadOffset) {
    packager::format::PayloadReader reader(file, payloadOffset);
    const std::optional<std::uint32_t> count = reader.ReadEntryCount();
    if (!count) {
        return Outcome::Failed;
    }
    if (Cancelled()) {
        return Outcome::Stopped;
    }
    const std::span<char, packager::format::kPathBufferBytes> entryPath(memory_.path.data(),
                                                                        format::kPathBufferBytes);
    std::array<char, kExtractingPhase.size() + packager::format::kEntryNameBytes> phaseText;
    for (std::uint32_t i = 0; i < *count; ++i) {
        if (Cancelled()) {
            return Outcome::Stopped;
        }
        const std::optional<packager::format::EntryHeader> header = reader.ReadEntryHeader();
        if (!header) {
            return Outcome::Failed;
        }
        // A name that would leave the folder, or a path too long for it, is a corrupt package.
        const std::optional<std::string_view> path =
            packager::format::EntryPath(Folder(), *header, entryPath);
        if (!path) {
            return Outcome::Failed;
        }
        PathBuffer phase(phaseText);
        phase.Assign(kExtractingPhase);
        phase.Append(header->Name().value_or(""));
        view_.SetStatus(phase.View());
        if (Cancelled()) {
            return Outcome::Stopped;
        }
        const Outcome outcome = ExtractEntry(reader, *header, path->data());
        if (outcome != Outcome::Done) {
            return outcome;
        }
    }
    return Outcome::Done;
}

Worker::Outcome Worker::ExtractEntry(packager::format::PayloadReader& reader,
                                     const packager::format::EntryHeader& header,
                                     const char* path) {
    OpenedFile out(platform_, platform_.CreateFile(path));
    if (!out) {
        return Outcome::Failed;
    }
    // Every byte is read once: the check value is updated on each block in passing.
    packager::format::CheckValue check;
    for (std::uint32_t done = 0; done < header.size;) {
        const std::size_t length = std::min<std::uint32_t>(
            header.size - done, static_cast<std::uint32_t>(kExtractBlockBytes));
        const std::span<std::uint8_t> block(memory_.block.data(), length);
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
    out.Close();
    return check.Finish() == header.checkValue ? Outcome::Done : Outcome::Failed;
}

bool Worker::RunSetup() {
    // From here on the user no longer sees the window and cannot cancel.
    view_.HideWindow();
    if (!path_.Assign(Folder())) {
        return false;
    }
    path_.DropTrailing(kSeparator);
    return path_.Append(kSeparatorText) && path_.Append(kSetupProgramName) &&
           platform_.StartAndWait(path_.CStr());
}

bool Worker::RemoveTree(std::string_view folder) {
    // Emptied from its first item on, one item at a time, so that the walk needs no memory but
    // its one path: a file is deleted, a folder is entered, and an empty folder is removed and
    // left for the one above it. The first failure ends the walk.
    if (!path_.Assign(folder)) {
        return false;
    }
    path_.DropTrailing(kSeparator);
    const std::size_t root = path_.Length();
    view_.HideCancelButton();
    for (;;) {
        const std::size_t here = path_.Length();
        switch (platform_.FirstItem(path_)) {
            case FolderItem::File:
                if (!platform_.DeleteFile(path_.CStr())) {
                    return false;
                }
                path_.Truncate(here);
                break;
            case FolderItem::Folder:
                view_.HideCancelButton();
                break;
            case FolderItem::Nothing:
                if (!platform_.RemoveFolder(path_.CStr())) {
                    return false;
                }
                if (here <= root) {
                    return true;
                }
                path_.Truncate(path_.View().rfind(kSeparator));
                break;
            case FolderItem::Failed:
                return false;
        }
    }
}

int PackageWorker(WorkerPlatform& platform, ProgressView& view, WorkerMemory& memory) {
    Worker worker(platform, view, memory);
    return worker.Run();
}

}  // namespace packager
