#include "tools/vexo/reg_arguments.h"

#include <array>

#include "common/ascii_case.h"

namespace vexo::cli {
namespace {

struct OperationInfo {
    RegOperation operation;
    std::string_view name;
    std::string_view usage;
};

constexpr std::array<OperationInfo, 5> kOperations = {{
    {RegOperation::Add, "add",
     "Usage: vexo reg add KEY [/v NAME | /ve] [/t TYPE] [/s SEPARATOR] [/d DATA] [/f]\n"},
    {RegOperation::Query, "query", "Usage: vexo reg query KEY [/v NAME | /ve] [/s]\n"},
    {RegOperation::Delete, "delete", "Usage: vexo reg delete KEY [/v NAME | /ve | /va] [/f]\n"},
    {RegOperation::Export, "export", "Usage: vexo reg export KEY FILE [/y]\n"},
    {RegOperation::Import, "import", "Usage: vexo reg import FILE\n"},
}};

// The switch's name without its "/" or "-", lower-cased; empty for an argument that is none.
std::string SwitchName(std::string_view arg) {
    if (arg.size() < 2 || (arg.front() != '/' && arg.front() != '-')) {
        return {};
    }
    std::string name(arg.substr(1));
    for (char& c : name) {
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    }
    return name;
}

class Reader {
  public:
    Reader(RegOperation operation, Arguments args) : args_(args) { request_.operation = operation; }

    RegArgumentsOutcome Run() {
        const RegOperation operation = request_.operation;
        const bool fileOperation =
            operation == RegOperation::Export || operation == RegOperation::Import;
        std::size_t positionals = 0;
        const std::size_t positionalsWanted = operation == RegOperation::Export ? 2 : 1;
        for (index_ = 0; index_ < args_.size() && problem_.empty(); ++index_) {
            const std::string_view arg = args_[index_];
            const std::string name = SwitchName(arg);
            if (name == "?") {
                return {std::nullopt, operation, true, false, {}};
            }
            // FILE may start with "/": for export and import only their own switch counts.
            const bool isSwitch = fileOperation ? name == "y" && operation == RegOperation::Export
                                                : !name.empty() || arg == "/" || arg == "-";
            if (!isSwitch) {
                if (positionals == positionalsWanted) {
                    problem_ = "unexpected argument \"" + std::string(arg) + "\"";
                    break;
                }
                Positional(positionals++, arg);
                continue;
            }
            if (positionals == 0 && !fileOperation) {
                problem_ = "KEY must come first";
                break;
            }
            Switch(name, arg);
        }
        if (problem_.empty() && positionals < positionalsWanted) {
            problem_ = operation == RegOperation::Import                       ? "FILE is missing"
                       : operation == RegOperation::Export && positionals == 1 ? "FILE is missing"
                                                                               : "KEY is missing";
        }
        if (problem_.empty()) {
            CheckCombinations();
        }
        if (!problem_.empty()) {
            return {std::nullopt, operation, false, false, std::move(problem_)};
        }
        if (badKey_) {
            return {std::nullopt, operation, false, true, {}};
        }
        return {std::move(request_), operation, false, false, {}};
    }

  private:
    void Positional(std::size_t position, std::string_view arg) {
        if (request_.operation == RegOperation::Import || position == 1) {
            request_.file = std::string(arg);
            return;
        }
        if (std::optional<regfile::KeyPath> key = regfile::ParseKeyPath(arg)) {
            request_.key = std::move(*key);
        } else {
            badKey_ = true;
        }
    }

    // The argument after a switch that takes a value.
    std::optional<std::string> TakeValue(std::string_view switchText) {
        if (index_ + 1 >= args_.size()) {
            problem_ = std::string(switchText) + " needs a value";
            return std::nullopt;
        }
        return std::string(args_[++index_]);
    }

    void Once(bool& seen, std::string_view switchText) {
        if (seen) {
            problem_ = std::string(switchText) + " is given twice";
        }
        seen = true;
    }

    void TakeOnce(std::optional<std::string>& slot, std::string_view switchText) {
        if (slot) {
            problem_ = std::string(switchText) + " is given twice";
            return;
        }
        slot = TakeValue(switchText);
    }

    void Switch(const std::string& name, std::string_view arg) {
        const RegOperation operation = request_.operation;
        const bool add = operation == RegOperation::Add;
        const bool query = operation == RegOperation::Query;
        const bool remove = operation == RegOperation::Delete;
        if (name == "v" && (add || query || remove)) {
            TakeOnce(request_.valueName, arg);
            namedValue_ = true;
        } else if (name == "ve" && (add || query || remove)) {
            Once(emptyName_, arg);
        } else if (name == "va" && remove) {
            Once(request_.allValues, arg);
        } else if (name == "t" && add) {
            TakeOnce(request_.type, arg);
        } else if (name == "d" && add) {
            TakeOnce(request_.data, arg);
        } else if (name == "s" && add) {
            TakeOnce(request_.separator, arg);
        } else if (name == "s" && query) {
            Once(request_.recurse, arg);
        } else if (name == "f" && (add || remove)) {
            Once(request_.force, arg);
        } else if (name == "y" && operation == RegOperation::Export) {
            Once(request_.overwrite, arg);
        } else {
            problem_ = "unknown switch \"" + std::string(arg) + "\"";
        }
    }

    void CheckCombinations() {
        const int valueSwitches =
            (namedValue_ ? 1 : 0) + (emptyName_ ? 1 : 0) + (request_.allValues ? 1 : 0);
        if (valueSwitches > 1) {
            problem_ = "use only one of /v, /ve and /va";
            return;
        }
        if (emptyName_) {
            request_.valueName = std::string();
        }
    }

    Arguments args_;
    std::size_t index_ = 0;
    RegRequest request_;
    bool namedValue_ = false;
    bool emptyName_ = false;
    bool badKey_ = false;
    std::string problem_;
};

}  // namespace

RegArgumentsOutcome ParseRegArguments(Arguments args) {
    if (args.empty()) {
        return {std::nullopt, std::nullopt, false, false, "no operation given"};
    }
    for (const OperationInfo& info : kOperations) {
        if (common::EqualsIgnoringAsciiCase(args.front(), info.name)) {
            return Reader(info.operation, args.subspan(1)).Run();
        }
    }
    return {std::nullopt, std::nullopt, false, false,
            "unknown operation \"" + std::string(args.front()) + "\""};
}

std::string_view RegOperationUsage(RegOperation operation) {
    for (const OperationInfo& info : kOperations) {
        if (info.operation == operation) {
            return info.usage;
        }
    }
    return {};
}

}  // namespace vexo::cli
