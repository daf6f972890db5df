#include "tools/vexo/package_command.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "common/file_byte_source.h"
#include "tools/packagewriter/package_writer.h"
#include "tools/vexo/atomic_output.h"
#include "tools/vexo/interrupt_guard.h"
#include "tools/vexo/package_listing.h"
#include "tools/vexo/package_stub.h"
#include "tools/vexo/printable.h"
#include "tools/vexo/setup_list_command.h"

namespace vexo::cli {
namespace {

constexpr std::string_view kUsage =
    "Usage: vexo package create -o OUT [--stub STUB] [--no-setup] FILE...\n"
    "       vexo package list FILE\n"
    "       vexo package setuplist -o OUT --name TEXT --folder FOLDER --program FILE ...\n"
    "       vexo package SUBCOMMAND --help\n"
    "\n"
    "VEXOSetup packages: one executable file made of the stub program, unchanged, and\n"
    "a payload of files behind it, which VEXOSetup extracts into a temporary folder\n"
    "before it starts the entry \"setup.exe\".\n"
    "\n"
    "create     writes a package of files\n"
    "list       prints a package's entries and checks each against its check value\n"
    "setuplist  writes the SETUP.LST a package's setup program installs by\n";

constexpr std::string_view kCreateUsage =
    "Usage: vexo package create -o OUT [--stub STUB] [--no-setup] FILE...\n"
    "\n"
    "Writes the package OUT: the stub byte for byte, then one entry per FILE in the\n"
    "order given, each with its name, size, CRC-32/BZIP2 check value and bytes.\n"
    "\n"
    "  -o, --output OUT  the package to write; a file already there is replaced\n"
    "  --stub STUB       the stub program; by default the built VEXOSetup, looked for\n"
    "                    beside this vexo program, then in vexo's own build tree\n"
    "  --no-setup        allow a package without an entry \"setup.exe\" (VEXOSetup\n"
    "                    then extracts it and fails to start the setup program)\n"
    "\n"
    "The stub must be a program whose end VEXOSetup can find: a 32-bit Windows\n"
    "program (at least one section, its PE header below offset 65,536, a 224-byte\n"
    "optional header, nothing such as a signature after the last section's data) or\n"
    "a little-endian ELF program with nothing after its image.\n"
    "\n"
    "An entry's name is its FILE's base name, stored as its bytes: a plain file name\n"
    "of at most 259 bytes without \"\\\", \"/\", \":\" or \"..\". Two FILEs with the same\n"
    "name, or names that differ only in the case of ASCII letters, are refused:\n"
    "VEXOSetup extracts into one folder, where the later would replace the earlier.\n"
    "Unless --no-setup is given, one FILE must be named exactly \"setup.exe\": the\n"
    "program VEXOSetup starts once everything is extracted.\n"
    "\n"
    "OUT appears complete or not at all: the package is written to a temporary file\n"
    "in OUT's folder, flushed to the disk and renamed over OUT; after a refusal or a\n"
    "failure OUT holds what it held before. The package gets the stub's permissions,\n"
    "made executable for everyone who may read it (on Windows, where files have no\n"
    "such bits, a package is a program by its name: give OUT the ending \".exe\").\n"
    "\n"
    "Exit status: 0 when OUT was written, 1 when the stub or a FILE was refused or\n"
    "writing failed (one line on stderr says why), 2 on a usage error.\n";

constexpr std::string_view kListUsage =
    "Usage: vexo package list FILE\n"
    "\n"
    "Finds the payload behind the stub's image in FILE as VEXOSetup does and prints a\n"
    "line about the stub, then one line per entry - its name, its size, its stored\n"
    "check value as 8 hex digits, and \"ok\" when the entry's data gives that value or\n"
    "\"MISMATCH\" when it does not - and a summary. Bytes after the last entry are\n"
    "reported and otherwise ignored, as VEXOSetup ignores them.\n"
    "\n"
    "Exit status: 0 when the package is sound, 1 when it is corrupt or incomplete (no\n"
    "payload, a check value that does not match, a name that is not a plain file name,\n"
    "a header or data cut short; a line on stderr names the entry and the reason), 2\n"
    "on a usage error.\n";

int UsageError(std::ostream& err, std::string_view problem, std::string_view usage) {
    return cli::UsageError(err, "package", problem, usage);
}

int Refuse(std::ostream& err, std::string_view reason) {
    err << "vexo package: " << reason << '\n';
    return kExitFailed;
}

std::string Quoted(std::string_view text) {
    return "\"" + Printable(text) + "\"";
}

struct CreateArguments {
    std::optional<std::string_view> output;
    std::optional<std::string_view> stub;
    bool requireSetup = true;
    std::vector<std::string_view> files;
};

// The arguments, or std::nullopt after a usage error was reported.
std::optional<CreateArguments> ParseCreate(Arguments args, std::ostream& err) {
    CreateArguments parsed;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        const bool isOption = !optionsEnded && arg.size() > 1 && arg.front() == '-';
        if (!isOption) {
            parsed.files.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--no-setup") {
            parsed.requireSetup = false;
        } else if (arg == "-o" || arg == "--output" || arg == "--stub") {
            std::optional<std::string_view>& value = arg == "--stub" ? parsed.stub : parsed.output;
            if (i + 1 == args.size()) {
                UsageError(err, std::string(arg) + " needs a value", kCreateUsage);
                return std::nullopt;
            }
            if (value) {
                UsageError(err, std::string(arg) + " is given twice", kCreateUsage);
                return std::nullopt;
            }
            value = args[++i];
        } else {
            UsageError(err, "unknown option \"" + std::string(arg) + "\"", kCreateUsage);
            return std::nullopt;
        }
    }
    if (!parsed.output) {
        UsageError(err, "no output given (-o OUT)", kCreateUsage);
        return std::nullopt;
    }
    if (parsed.files.empty() && parsed.requireSetup) {
        UsageError(err, "no FILE given", kCreateUsage);
        return std::nullopt;
    }
    return parsed;
}

// The stub given, else the first default that exists; std::nullopt after telling why not.
std::optional<std::filesystem::path> ChooseStub(const CreateArguments& args, std::ostream& err) {
    if (args.stub) {
        return std::filesystem::path(*args.stub);
    }
    const std::vector<std::filesystem::path> candidates = DefaultStubCandidates();
    std::string tried;
    for (const std::filesystem::path& candidate : candidates) {
        std::error_code ignored;
        if (std::filesystem::is_regular_file(candidate, ignored)) {
            return candidate;
        }
        tried += (tried.empty() ? "" : ", ") + candidate.string();
    }
    Refuse(err, "no VEXOSetup stub found (looked for " + (tried.empty() ? "none" : tried) +
                    "); build the VEXOSetup target or give --stub STUB");
    return std::nullopt;
}

std::string FoldCase(std::string_view name) {
    std::string folded(name);
    std::transform(folded.begin(), folded.end(), folded.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return folded;
}

// Names that one folder cannot hold side by side on Windows; std::nullopt when there are none.
std::optional<std::string> DuplicateName(std::span<const packagewriter::PackageEntry> entries,
                                         std::span<const std::string_view> files) {
    std::vector<std::string> folded;
    folded.reserve(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        folded.push_back(FoldCase(entries[i].name));
        for (std::size_t earlier = 0; earlier < i; ++earlier) {
            if (folded[earlier] == folded[i]) {
                return Printable(files[earlier]) + " and " + Printable(files[i]) +
                       " would both be extracted as " + Quoted(entries[i].name) +
                       " (names that differ only in letter case are the same file on Windows)";
            }
        }
    }
    return std::nullopt;
}

int RunCreate(Arguments rawArgs, std::ostream& out, std::ostream& err) {
    const std::optional<CreateArguments> args = ParseCreate(rawArgs, err);
    if (!args) {
        return kExitUsage;
    }
    const std::optional<std::filesystem::path> stubPath = ChooseStub(*args, err);
    if (!stubPath) {
        return kExitFailed;
    }
    std::string error;
    const std::optional<StubFile> stub = ReadStubFile(*stubPath, error);
    if (!stub) {
        return Refuse(err, Printable(stubPath->string()) + ": cannot be read: " + error);
    }
    const packagewriter::StubCheck stubCheck = packagewriter::CheckStub(stub->bytes);
    if (!stubCheck.outcome) {
        return Refuse(err, Printable(stubPath->string()) +
                               ": refused as a stub: " + stubCheck.outcome.message);
    }

    std::vector<std::unique_ptr<common::FileByteSource>> sources;
    std::vector<packagewriter::PackageEntry> entries;
    std::uint64_t dataBytes = 0;
    for (const std::string_view file : args->files) {
        sources.push_back(common::FileByteSource::Open(file, &error));
        if (sources.back() == nullptr) {
            return Refuse(err, Printable(file) + ": cannot be read: " + error);
        }
        entries.push_back({std::filesystem::path(file).filename().string(), sources.back().get(),
                           sources.back()->Size()});
        dataBytes += sources.back()->Size();
    }
    // Ctrl+C (or a request to end) is answered within a block, in the check value's pass too.
    const packagewriter::PackageOptions options{args->requireSetup, stubCheck.format,
                                                [] { return InterruptGuard::TakeInterrupt(); }};
    if (const packagewriter::WriteOutcome checked = packagewriter::CheckEntries(entries, options);
        !checked) {
        // Only the missing "setup.exe" can be allowed; say how.
        const bool onlySetupMissing =
            packagewriter::CheckEntries(entries, {false, stubCheck.format}).ok;
        return Refuse(err, Printable(checked.message) +
                               (onlySetupMissing ? " (--no-setup allows that)" : ""));
    }
    if (const std::optional<std::string> duplicate = DuplicateName(entries, args->files)) {
        return Refuse(err, *duplicate);
    }

    AtomicOutput output{std::filesystem::path(*args->output)};
    if (!output.Open()) {
        return Refuse(err, Printable(output.Error()));
    }
    const packagewriter::WriteOutcome written =
        packagewriter::WritePackage(stub->bytes, entries, output, options);
    if (!written) {
        // The output's own error says more than "cannot write the package".
        const std::string reason = output.Error().empty() ? written.message : output.Error();
        return Refuse(err, Printable(reason) + "; " + Printable(*args->output) + " is unchanged");
    }
    if (!output.Commit(PackagePermissions(stub->permissions))) {
        return Refuse(
            err, Printable(output.Error()) + "; " + Printable(*args->output) + " is unchanged");
    }
    out << Printable(*args->output) << ": " << entries.size()
        << (entries.size() == 1 ? " entry, " : " entries, ") << dataBytes
        << " data bytes after the " << stub->bytes.size() << "-byte "
        << (stubCheck.format == packager::format::StubFormat::Pe ? "Windows" : "ELF") << " stub "
        << Printable(stubPath->string()) << '\n';
    return kExitOk;
}

int RunList(Arguments args, std::ostream& out, std::ostream& err) {
    if (args.size() != 1) {
        return UsageError(err, "expected exactly one FILE", kListUsage);
    }
    return ListPackage(args.front(), out, err) ? kExitOk : kExitFailed;
}

struct Subcommand {
    std::string_view name;
    std::string_view usage;
    int (*run)(Arguments args, std::ostream& out, std::ostream& err);
};

const Subcommand kSubcommands[] = {{"create", kCreateUsage, RunCreate},
                                   {"list", kListUsage, RunList},
                                   {"setuplist", kSetupListUsage, RunSetupList}};

int RunPackage(Arguments args, std::ostream& out, std::ostream& err) {
    return RunSubcommand(args, kSubcommands, "package", kUsage, out, err,
                         [&](const Subcommand& subcommand, Arguments rest) {
                             return subcommand.run(rest, out, err);
                         });
}

}  // namespace

Command PackageCommand() {
    return {"package", "write VEXOSetup packages and check their entries", kUsage, RunPackage};
}

}  // namespace vexo::cli
