#include "importer/itunes/library/media_library.h"

#include <filesystem>
#include <system_error>

#include "importer/itunes/library/file_tag_writer.h"
#include "importer/itunes/library/library_core.h"

namespace itunes::library {

MediaLibrary::MediaLibrary(std::shared_ptr<LibraryCore> core) : core_(std::move(core)) {}

MediaLibrary::~MediaLibrary() = default;

std::unique_ptr<MediaLibrary> MediaLibrary::Open(const std::string& databasePath) {
    auto core = OpenLibraryCore(databasePath, true);
    if (core == nullptr) {
        return nullptr;
    }
    return std::unique_ptr<MediaLibrary>(new MediaLibrary(std::move(core)));
}

std::unique_ptr<MediaLibrary> MediaLibrary::OpenExisting(const std::string& databasePath) {
    auto core = OpenLibraryCore(databasePath, false);
    if (core == nullptr) {
        return nullptr;
    }
    return std::unique_ptr<MediaLibrary>(new MediaLibrary(std::move(core)));
}

std::optional<std::vector<TrackRecord>> MediaLibrary::ListTracks(std::string_view playlistName) {
    auto source = core_->db->FindSource(kLibrarySourceName);
    if (!source) {
        return std::nullopt;
    }
    auto playlist = core_->db->FindPlaylist(*source, playlistName);
    if (!playlist) {
        return std::nullopt;
    }
    return core_->db->PlaylistTracks(*playlist);
}

AddOutcome MediaLibrary::AddAndWait(std::string_view path, std::string_view playlistName) {
    auto source = core_->db->FindSource(kLibrarySourceName);
    auto playlist = source ? core_->db->FindPlaylist(*source, playlistName) : std::nullopt;
    if (!playlist) {
        return {AddResult::kFailed, "no playlist named " + std::string(playlistName)};
    }
    auto state = core_->worker.Enqueue(std::string(path), *playlist);
    if (state == nullptr) {
        return {AddResult::kFailed, "the add could not be started"};
    }
    return state->Wait();
}

std::optional<bool> MediaLibrary::FileTagsEnabled() {
    return core_->db->FileTagsEnabled();
}

bool MediaLibrary::SetFileTagsEnabled(bool enabled) {
    return core_->db->SetFileTagsEnabled(enabled);
}

bool RemoveLibraryDatabase(const std::string& databasePath) {
    // A label write a crash cut short is undone first: its journal is the only way back to a
    // whole file.
    const std::string folder = std::filesystem::path(databasePath).parent_path().string();
    if (!FileTagWriter::Recover(folder)) {
        return false;
    }
    std::error_code lockError;
    std::filesystem::remove(std::filesystem::path(folder) / FileTagWriter::kLockName, lockError);
    bool removedAll = !lockError;
    for (const char* suffix : {"", "-wal", "-shm"}) {
        std::error_code error;
        std::filesystem::remove(databasePath + suffix, error);
        removedAll = removedAll && !error;
    }
    return removedAll;
}

}  // namespace itunes::library
