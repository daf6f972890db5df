// What the stub takes from the C and C++ runtimes, in its own small form: the stub links neither.
//
// The compiler calls the C library's memory and string functions for copies, fills and
// comparisons, and the standard library's string views call them too; they are plain loops here
// (this file is compiled so that the compiler does not turn them back into calls of
// themselves). The C++ runtime is needed only for what every class with virtual functions
// refers to: the deleting destructors' operator delete, which nothing calls since the stub makes
// nothing with new, and the slot of a pure virtual function. Either being called would be a
// fault of the program itself, which ends it at once with exit code 1, the program's only
// failure code.
#include <cstddef>
#include <new>

#include "common/win32/windows_api.h"
#include "packager/ui/win32/package_main.h"

namespace {

[[noreturn]] void EndAbnormally() {
    ::ExitProcess(packager::win32::kAbnormalEndCode);
}

}  // namespace

void operator delete(void*) noexcept {
    EndAbnormally();
}
void operator delete(void*, std::size_t) noexcept {
    EndAbnormally();
}

extern "C" {

void __cxa_pure_virtual() {
    EndAbnormally();
}

void* memmove(void* to, const void* from, std::size_t size) {
    auto* out = static_cast<unsigned char*>(to);
    const auto* in = static_cast<const unsigned char*>(from);
    if (out < in) {
        for (std::size_t i = 0; i < size; ++i) {
            out[i] = in[i];
        }
    } else {
        for (std::size_t i = size; i > 0; --i) {
            out[i - 1] = in[i - 1];
        }
    }
    return to;
}

void* memcpy(void* to, const void* from, std::size_t size) {
    return memmove(to, from, size);
}

void* memset(void* to, int value, std::size_t size) {
    auto* out = static_cast<unsigned char*>(to);
    for (std::size_t i = 0; i < size; ++i) {
        out[i] = static_cast<unsigned char>(value);
    }
    return to;
}

int memcmp(const void* left, const void* right, std::size_t size) {
    const auto* a = static_cast<const unsigned char*>(left);
    const auto* b = static_cast<const unsigned char*>(right);
    for (std::size_t i = 0; i < size; ++i) {
        if (a[i] != b[i]) {
            return a[i] < b[i] ? -1 : 1;
        }
    }
    return 0;
}

void* memchr(const void* bytes, int value, std::size_t size) {
    const auto* in = static_cast<const unsigned char*>(bytes);
    for (std::size_t i = 0; i < size; ++i) {
        if (in[i] == static_cast<unsigned char>(value)) {
            return const_cast<unsigned char*>(in + i);
        }
    }
    return nullptr;
}

std::size_t strlen(const char* text) {
    std::size_t length = 0;
    while (text[length] != '\0') {
        ++length;
    }
    return length;
}

}  // extern "C"
