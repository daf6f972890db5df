// What every object of one open library shares: the database and the add worker. Objects
// hold it by shared pointer, so that a child keeps working after its parent is released.
#pragma once

#include <memory>
#include <string>

#include "importer/itunes/library/add_worker.h"
#include "importer/itunes/library/library_database.h"

namespace itunes::library {

struct LibraryCore {
    explicit LibraryCore(std::unique_ptr<LibraryDatabase> database)
        : db(std::move(database)), worker(*db) {}

    // Declared first, so that the worker (which uses it) is joined before it closes.
    std::unique_ptr<LibraryDatabase> db;
    AddWorker worker;
};

// Null when the database cannot be opened (or, without create, does not exist).
std::shared_ptr<LibraryCore> OpenLibraryCore(const std::string& databasePath, bool create);

}  // namespace itunes::library
