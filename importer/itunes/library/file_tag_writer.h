// Carries out a tag-writing plan on a real file so that no crash leaves it broken: in place with
// a rollback journal, or as a new file beside the old one that is renamed over it. After a crash
// the file is the old one or the new one, once Recover has run.
//
// One journal serves a library: it lies in the library's folder and a lock file there keeps a
// second process of the same library (and Recover, when a library opens) from using it at the
// same time.
#pragma once

#include <functional>
#include <string>

#include "common/byte_source.h"
#include "importer/itunes/library/file_tag_io.h"
#include "importer/itunes/library/mp4/tag_plan.h"

namespace itunes::library {

enum class TagWriteOutcome { kWritten, kUnchanged, kRefused };

struct TagWriteResult {
    TagWriteOutcome outcome = TagWriteOutcome::kRefused;
    // Why it was refused, in words a user understands: the file is then as it was.
    std::string reason;
};

class FileTagWriter {
  public:
    static constexpr const char* kJournalName = "file-tags.journal";
    // The journal while it is written, before it counts.
    static constexpr const char* kJournalDraftName = "file-tags.journal.new";
    static constexpr const char* kLockName = "file-tags.lock";
    // Marks the new file of a rebuild: ".NAME" + kNewFileMark + six letters, beside the old.
    static constexpr const char* kNewFileMark = ".vexo-tags-";

    // journalFolder is the library's own folder, beside its database.
    explicit FileTagWriter(std::string journalFolder, FileTagIo& io = SystemFileTagIo())
        : folder_(std::move(journalFolder)), io_(io) {}

    TagWriteResult Write(const std::string& path, const mp4::EpisodeTags& tags);

    // As Write, with the plan made by planner from the file's bytes as they are when opened.
    using Planner = std::function<mp4::TagWritePlan(common::ByteSource& file)>;
    TagWriteResult WritePlanned(const std::string& path, const Planner& planner);

    // Undoes the write that a crash interrupted, if there was one: run when the library opens.
    // A journal that never became whole is dropped; a whole one puts its file's old bytes, size
    // and times back (when the file by its path is still the one it was written for) or removes
    // the half-made new file. False when a journal is left because that failed (or it is of a
    // newer version): it is tried again the next time.
    static bool Recover(const std::string& journalFolder, FileTagIo& io = SystemFileTagIo());

  private:
    std::string folder_;
    FileTagIo& io_;
};

}  // namespace itunes::library
