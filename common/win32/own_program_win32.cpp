#include <windows.h>

#include <algorithm>
#include <vector>

#include "common/own_program.h"

namespace common {

ProgramFile OwnProgramFile() {
    // GetModuleFileNameA fills the buffer and says nothing more when the path is longer:
    // grow until the answer is shorter than the buffer, up to the longest path Windows has.
    constexpr DWORD kLongestPath = 32768;
    for (DWORD size = MAX_PATH;; size = std::min(size * 2, kLongestPath)) {
        std::vector<char> buffer(size);
        const DWORD length = GetModuleFileNameA(nullptr, buffer.data(), size);
        if (length == 0) {
            return {};
        }
        if (length < size) {
            return ProgramFileFromPath(std::string_view(buffer.data(), length));
        }
        if (size == kLongestPath) {
            return {};
        }
    }
}

}  // namespace common
