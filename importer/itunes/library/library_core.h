// What every object of one open library shares: the database, the writer of labels into the
// files and the add worker. Objects hold it by shared pointer, so that a child keeps working
// after its parent is released; when the last goes (an import's end), the labels still to be
// written reach their files.
#pragma once

#include <memory>
#include <string>

#include "importer/itunes/library/add_worker.h"
#include "importer/itunes/library/library_database.h"
#include "importer/itunes/library/track_tags.h"

namespace itunes::library {

struct LibraryCore {
    LibraryCore(std::unique_ptr<LibraryDatabase> database, const std::string& folder)
        : db(std::move(database)), tags(*db, folder), worker(*db, tags) {}
    ~LibraryCore() {
        worker.Finish();
        tags.Flush();
    }
    LibraryCore(const LibraryCore&) = delete;
    LibraryCore& operator=(const LibraryCore&) = delete;

    // Declared first, so that the worker and the writer (which use it) end before it closes.
    std::unique_ptr<LibraryDatabase> db;
    TrackTagWriter tags;
    AddWorker worker;
};

// Null when the database cannot be opened (or, without create, does not exist).
std::shared_ptr<LibraryCore> OpenLibraryCore(const std::string& databasePath, bool create);

}  // namespace itunes::library
