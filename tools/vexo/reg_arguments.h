// The arguments of vexo reg, read as reg.exe reads its own: the operation, then KEY (or FILE),
// then switches. Switches start with "/" or "-" and compare without regard to case; a switch
// that takes a value (/v, /t, /s, /d) takes the next argument whatever it looks like. For
// export and import, whose FILE may be an absolute path ("/tmp/x.reg"), only the switches of
// the operation itself count as switches.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "tools/regfile/key_path.h"
#include "tools/vexo/command.h"

namespace vexo::cli {

enum class RegOperation { Add, Query, Delete, Export, Import };

struct RegRequest {
    RegOperation operation = RegOperation::Query;
    regfile::KeyPath key;
    std::optional<std::string> valueName;  // /v NAME; /ve (and /v "") give the empty name
    bool allValues = false;                // /va
    std::optional<std::string> type;       // /t
    std::optional<std::string> separator;  // /s SEPARATOR (add)
    std::optional<std::string> data;       // /d
    bool force = false;                    // /f
    bool recurse = false;                  // /s (query)
    bool overwrite = false;                // /y (export)
    std::string file;                      // FILE of export and import
};

struct RegArgumentsOutcome {
    std::optional<RegRequest> request;
    std::optional<RegOperation> operation;  // known once the operation's name was read
    bool helpWanted = false;                // "/?": the operation's usage, and success
    bool badKey = false;                    // KEY is no key name (a message of its own)
    std::string problem;                    // what is wrong with the arguments
};

// args are the arguments after "reg": the operation's name first.
RegArgumentsOutcome ParseRegArguments(Arguments args);

// The one-line usage of an operation, "Usage: vexo reg add KEY [/v NAME | /ve] ...".
std::string_view RegOperationUsage(RegOperation operation);

}  // namespace vexo::cli
