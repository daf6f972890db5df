// The embedded registry store on a tree of 100,000 keys (10 groups of 10,000, each with one
// DWORD value): creating it, enumerating every group's subkeys, opening every key by
// its path and querying its value, and deleting it, each through the registry functions and
// against plain SQL on the same data in a bare SQLite file of the same kind (WAL, full
// synchronisation, keys found by (parent, upper-cased name)). The creation and the deletion
// are each one transaction on both sides (RunAsOneChange for the store). The ratios are the
// cost of the registry's layers: handles, access rights, names, the change log and its
// notifications.
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "bench_options.h"
#include "common/ascii_case.h"
#include "common/byte_order.h"
#include "common/sqlite_database.h"
#include "importer/registry/store/store_registry_api.h"
#include "ratio.h"

namespace fs = std::filesystem;

namespace {

constexpr int kGroups = 10;
// Set once from the command line, before anything is measured (--quick makes it a token size).
int keysPerGroup = 10'000;

using registry::Hkey;
using registry::kErrorSuccess;
using registry::Status;

std::string GroupName(int group) {
    return "Group" + std::to_string(group);
}

std::string KeyName(int key) {
    char name[16];
    std::snprintf(name, sizeof name, "Key%05d", key);
    return name;
}

// Counts failures, so that a broken run shows instead of a fast one.
struct Failures {
    int count = 0;
    void Check(bool ok) { count += ok ? 0 : 1; }
};

// --- through the registry functions --------------------------------------------------------

void CreateTree(registry::RegistryApi& api, Failures& failures) {
    failures.Check(api.RunAsOneChange([&] {
        for (int group = 0; group < kGroups; ++group) {
            for (int key = 0; key < keysPerGroup; ++key) {
                Hkey opened = 0;
                const std::string path = "Bench\\" + GroupName(group) + "\\" + KeyName(key);
                Status status = api.RegCreateKeyEx(registry::kHkeyCurrentUser, path,
                                                   registry::kKeyAllAccess, opened);
                const auto data = common::Le32Bytes(static_cast<std::uint32_t>(key));
                if (status == kErrorSuccess) {
                    status = api.RegSetValueEx(opened, "v", registry::kRegDword, data.data(), 4);
                    api.RegCloseKey(opened);
                }
                if (status != kErrorSuccess) {
                    return status;
                }
            }
        }
        return kErrorSuccess;
    }) == kErrorSuccess);
}

void EnumerateTree(registry::RegistryApi& api, Failures& failures, std::size_t& checksum) {
    for (int group = 0; group < kGroups; ++group) {
        Hkey opened = 0;
        failures.Check(api.RegOpenKeyEx(registry::kHkeyCurrentUser, "Bench\\" + GroupName(group),
                                        registry::kKeyRead, opened) == kErrorSuccess);
        char name[256];
        for (std::uint32_t index = 0;; ++index) {
            std::uint32_t length = sizeof name;
            if (api.RegEnumKeyEx(opened, index, name, length) != kErrorSuccess) {
                failures.Check(index == static_cast<std::uint32_t>(keysPerGroup));
                break;
            }
            checksum += length;
        }
        api.RegCloseKey(opened);
    }
}

void QueryTree(registry::RegistryApi& api, Failures& failures, std::size_t& checksum) {
    for (int group = 0; group < kGroups; ++group) {
        for (int key = 0; key < keysPerGroup; ++key) {
            Hkey opened = 0;
            const std::string path = "Bench\\" + GroupName(group) + "\\" + KeyName(key);
            std::uint8_t data[4] = {};
            std::uint32_t size = sizeof data;
            const bool ok = api.RegOpenKeyEx(registry::kHkeyCurrentUser, path,
                                             registry::kKeyQueryValue, opened) == kErrorSuccess &&
                            api.RegQueryValueEx(opened, "V", nullptr, data, &size) == kErrorSuccess;
            failures.Check(ok && common::LoadLe32(data) == static_cast<std::uint32_t>(key));
            checksum += size;
            api.RegCloseKey(opened);
        }
    }
}

void DeleteTree(registry::RegistryApi& api, Failures& failures) {
    failures.Check(api.RunAsOneChange([&] {
        for (int group = 0; group < kGroups; ++group) {
            Hkey opened = 0;
            Status status =
                api.RegOpenKeyEx(registry::kHkeyCurrentUser, "Bench\\" + GroupName(group),
                                 registry::kKeyAllAccess, opened);
            for (int key = 0; key < keysPerGroup && status == kErrorSuccess; ++key) {
                status = api.RegDeleteKey(opened, KeyName(key));
            }
            api.RegCloseKey(opened);
            if (status == kErrorSuccess) {
                status = api.RegDeleteKey(registry::kHkeyCurrentUser, "Bench\\" + GroupName(group));
            }
            if (status != kErrorSuccess) {
                return status;
            }
        }
        return api.RegDeleteKey(registry::kHkeyCurrentUser, "Bench");
    }) == kErrorSuccess);
}

// --- plain SQL -----------------------------------------------------------------------------

constexpr const char* kReferenceSchema = R"sql(
PRAGMA journal_mode=WAL;
PRAGMA synchronous=FULL;
CREATE TABLE keys(id INTEGER PRIMARY KEY, parent INTEGER, name TEXT NOT NULL, folded TEXT NOT NULL);
CREATE UNIQUE INDEX keys_by_name ON keys(parent, folded);
CREATE TABLE key_values(id INTEGER PRIMARY KEY, key INTEGER NOT NULL, name TEXT NOT NULL,
    folded TEXT NOT NULL, type INTEGER NOT NULL, data BLOB NOT NULL);
CREATE UNIQUE INDEX values_by_name ON key_values(key, folded);
CREATE INDEX values_in_order ON key_values(key, id);
INSERT INTO keys(id, parent, name, folded) VALUES (1, NULL, 'HKEY_CURRENT_USER', '');
)sql";

std::string Upper(std::string name) {
    for (char& c : name) {
        c = common::AsciiUpper(c);
    }
    return name;
}

class Reference {
  public:
    explicit Reference(const std::string& path) {
        common::sqlite::Open(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, {}, database_);
        common::sqlite::Execute(database_.get(), kReferenceSchema);
    }

    std::int64_t Find(std::int64_t parent, const std::string& name) {
        common::sqlite::Statement& find =
            Kept("SELECT id FROM keys WHERE parent = ?1 AND folded = ?2");
        find.Bind(1, parent);
        find.Bind(2, Upper(name));
        const std::int64_t id = find.Step() == SQLITE_ROW ? find.ColumnInt(0) : 0;
        find.Reset();
        return id;
    }

    std::int64_t Make(std::int64_t parent, const std::string& name) {
        if (const std::int64_t found = Find(parent, name); found != 0) {
            return found;
        }
        common::sqlite::Statement& insert =
            Kept("INSERT INTO keys(parent, name, folded) VALUES (?1, ?2, ?3) RETURNING id");
        insert.Bind(1, parent);
        insert.Bind(2, name);
        insert.Bind(3, Upper(name));
        const std::int64_t id = insert.Step() == SQLITE_ROW ? insert.ColumnInt(0) : 0;
        insert.Reset();
        return id;
    }

    void Create(Failures& failures) {
        common::sqlite::Transaction transaction(database_.get(),
                                                common::sqlite::Transaction::Kind::Write);
        const std::int64_t bench = Make(1, "Bench");
        for (int group = 0; group < kGroups; ++group) {
            const std::int64_t parent = Make(bench, GroupName(group));
            for (int key = 0; key < keysPerGroup; ++key) {
                const std::int64_t id = Make(parent, KeyName(key));
                const auto data = common::Le32Bytes(static_cast<std::uint32_t>(key));
                common::sqlite::Statement& set = Kept(
                    "INSERT INTO key_values(key, name, folded, type, data) VALUES (?1, 'v', 'V', "
                    "4, ?2)");
                set.Bind(1, id);
                set.BindBlob(2, data);
                failures.Check(id != 0 && set.Step() == SQLITE_DONE);
                set.Reset();
            }
        }
        failures.Check(transaction.Commit() == SQLITE_OK);
    }

    void Enumerate(Failures& failures, std::size_t& checksum) {
        const std::int64_t bench = Find(1, "Bench");
        for (int group = 0; group < kGroups; ++group) {
            common::sqlite::Statement& list =
                Kept("SELECT name FROM keys WHERE parent = ?1 ORDER BY folded");
            list.Bind(1, Find(bench, GroupName(group)));
            int count = 0;
            while (list.Step() == SQLITE_ROW) {
                checksum += list.ColumnText(0).size();
                ++count;
            }
            list.Reset();
            failures.Check(count == keysPerGroup);
        }
    }

    void Query(Failures& failures, std::size_t& checksum) {
        const std::int64_t bench = Find(1, "Bench");
        for (int group = 0; group < kGroups; ++group) {
            for (int key = 0; key < keysPerGroup; ++key) {
                const std::int64_t id = Find(Find(bench, GroupName(group)), KeyName(key));
                common::sqlite::Statement& get =
                    Kept("SELECT data FROM key_values WHERE key = ?1 AND folded = ?2");
                get.Bind(1, id);
                get.Bind(2, Upper("V"));
                const std::vector<std::uint8_t> data =
                    get.Step() == SQLITE_ROW ? get.ColumnBlob(0) : std::vector<std::uint8_t>();
                get.Reset();
                failures.Check(data.size() == 4 &&
                               common::LoadLe32(data.data()) == static_cast<std::uint32_t>(key));
                checksum += data.size();
            }
        }
    }

    void Delete(Failures& failures) {
        common::sqlite::Transaction transaction(database_.get(),
                                                common::sqlite::Transaction::Kind::Write);
        const std::int64_t bench = Find(1, "Bench");
        const auto remove = [&](std::int64_t id) {
            for (const char* sql :
                 {"DELETE FROM key_values WHERE key = ?1", "DELETE FROM keys WHERE id = ?1"}) {
                common::sqlite::Statement& statement = Kept(sql);
                statement.Bind(1, id);
                failures.Check(statement.Step() == SQLITE_DONE);
                statement.Reset();
            }
        };
        for (int group = 0; group < kGroups; ++group) {
            const std::int64_t parent = Find(bench, GroupName(group));
            for (int key = 0; key < keysPerGroup; ++key) {
                remove(Find(parent, KeyName(key)));
            }
            remove(parent);
        }
        remove(bench);
        failures.Check(transaction.Commit() == SQLITE_OK);
    }

  private:
    common::sqlite::Statement& Kept(const char* sql) {
        auto found = statements_.find(sql);
        if (found == statements_.end()) {
            found = statements_.try_emplace(sql, database_.get(), sql, true).first;
        }
        return found->second;
    }

    common::sqlite::Database database_;
    std::map<std::string, common::sqlite::Statement, std::less<>> statements_;
};

// The median of each phase over several fresh databases.
struct Phases {
    std::vector<double> create, enumerate, query, remove;
    static double Median(std::vector<double> seconds) {
        std::sort(seconds.begin(), seconds.end());
        return seconds[seconds.size() / 2];
    }
};

// One timing: each phase changes the database, so a run is never repeated on the same one.
double Time(const std::function<void()>& work) {
    return vexo::bench::MedianSeconds(1, work);
}

}  // namespace

int main(int argc, char** argv) {
    const vexo::bench::ParsedBenchOptions parsed = vexo::bench::ParseBenchOptions(
        argc, argv, "The embedded registry store on a tree of 100,000 keys, against plain SQL.");
    if (parsed.exitCode) {
        return *parsed.exitCode;
    }
    keysPerGroup = vexo::bench::Sized(parsed.options, keysPerGroup, 10);
    const int runs = vexo::bench::Sized(parsed.options, 3, 1);
    const fs::path folder =
        fs::temp_directory_path() / ("vexo-registry-bench-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    Failures failures;
    std::size_t checksum = 0;
    Phases store;
    Phases plain;
    for (int run = 0; run < runs; ++run) {
        const std::string suffix = std::to_string(run);
        {
            registry::StoreRegistryApi api((folder / ("registry" + suffix + ".db")).string());
            failures.Check(api.OpenStatus() == kErrorSuccess);
            store.create.push_back(Time([&] { CreateTree(api, failures); }));
            store.enumerate.push_back(Time([&] { EnumerateTree(api, failures, checksum); }));
            store.query.push_back(Time([&] { QueryTree(api, failures, checksum); }));
            store.remove.push_back(Time([&] { DeleteTree(api, failures); }));
        }
        Reference reference((folder / ("reference" + suffix + ".db")).string());
        plain.create.push_back(Time([&] { reference.Create(failures); }));
        plain.enumerate.push_back(Time([&] { reference.Enumerate(failures, checksum); }));
        plain.query.push_back(Time([&] { reference.Query(failures, checksum); }));
        plain.remove.push_back(Time([&] { reference.Delete(failures); }));
    }

    std::printf("%d keys in %d groups, median of %d runs (checksum %zu, %d failures)\n",
                kGroups * keysPerGroup, kGroups, runs, checksum, failures.count);
    const auto row = [](const char* what, const char* sql, const std::vector<double>& mine,
                        const std::vector<double>& reference) {
        const double referenceSeconds = Phases::Median(reference);
        vexo::bench::PrintRatio(sql, referenceSeconds, "reference", referenceSeconds);
        vexo::bench::PrintRatio(what, Phases::Median(mine), "of the reference", referenceSeconds);
    };
    row("create (RegCreateKeyEx + RegSetValueEx)", "  plain SQL: insert key and value",
        store.create, plain.create);
    row("enumerate (RegEnumKeyEx 0, 1, 2...)", "  plain SQL: one ordered SELECT", store.enumerate,
        plain.enumerate);
    row("query (RegOpenKeyEx + RegQueryValueEx)", "  plain SQL: find key, select value",
        store.query, plain.query);
    row("delete (RegDeleteKey)", "  plain SQL: delete value and key", store.remove, plain.remove);
    fs::remove_all(folder);
    return failures.count == 0 ? 0 : 1;
}
