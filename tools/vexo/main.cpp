#include <iostream>
#include <string_view>
#include <vector>

#include "tools/vexo/command.h"

int main(int argc, char** argv) {
    const std::vector<std::string_view> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    return vexo::cli::RunTool(args, std::cout, std::cerr);
}
