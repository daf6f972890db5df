// What the stub takes from the C and C++ runtimes, in smaller form.
//
// The program is built without exceptions, yet the C++ library's allocation and error paths
// would throw and so bring the unwinder, the exception classes and the name demangler in (some
// 200 KiB in a stub that should stay small). Here memory comes from the process heap, and the
// only failures the stub's code can meet - memory running out, or a size beyond what a string
// can hold - end the process at once with exit code 3, the code of an abnormal end.
//
// The C++ library also has MinGW's own printf family take the place of the system's, some 28 KiB
// with its floating-point conversions; the stub formats one thing, the bar's "%3lu%%", which the
// system's formatter (msvcrt) does as well.
// bits/functexcept.h declares the library's throw points, so that the definitions below are
// checked against them.
#include <bits/functexcept.h>

#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <new>

#include "common/win32/windows_api.h"

namespace {

constexpr UINT kAbnormalEnd = 3;

[[noreturn]] void EndAbnormally() {
    ::ExitProcess(kAbnormalEnd);
}

void* Allocate(std::size_t size) {
    void* memory = ::HeapAlloc(::GetProcessHeap(), 0, size == 0 ? 1 : size);
    if (memory == nullptr) {
        EndAbnormally();
    }
    return memory;
}

void Free(void* memory) {
    if (memory != nullptr) {
        ::HeapFree(::GetProcessHeap(), 0, memory);
    }
}

}  // namespace

// The replaceable allocation functions of the standard library.
void* operator new(std::size_t size) {
    return Allocate(size);
}
void* operator new[](std::size_t size) {
    return Allocate(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return ::HeapAlloc(::GetProcessHeap(), 0, size == 0 ? 1 : size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return ::HeapAlloc(::GetProcessHeap(), 0, size == 0 ? 1 : size);
}
void operator delete(void* memory) noexcept {
    Free(memory);
}
void operator delete[](void* memory) noexcept {
    Free(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
    Free(memory);
}
void operator delete[](void* memory, std::size_t) noexcept {
    Free(memory);
}

// The library's throw points (bits/functexcept.h), which its headers call where a program built
// with exceptions would see one thrown.
namespace std {

void __throw_bad_alloc() {
    EndAbnormally();
}
void __throw_bad_array_new_length() {
    EndAbnormally();
}
void __throw_length_error(const char*) {
    EndAbnormally();
}
void __throw_logic_error(const char*) {
    EndAbnormally();
}
void __throw_out_of_range(const char*) {
    EndAbnormally();
}
void __throw_out_of_range_fmt(const char*, ...) {
    EndAbnormally();
}
void __throw_invalid_argument(const char*) {
    EndAbnormally();
}
void __throw_bad_function_call() {
    EndAbnormally();
}
void __throw_system_error(int) {
    EndAbnormally();
}

}  // namespace std

extern "C" int __mingw_vsnprintf(char* buffer, std::size_t size, const char* format,
                                 va_list arguments) {
    std::va_list again;
    va_copy(again, arguments);
    // msvcrt's formatter leaves a text that fills the buffer unterminated and counts -1 for one
    // cut short; C's counts the characters the whole text would have.
    int length = size == 0 ? -1 : ::_vsnprintf(buffer, size - 1, format, arguments);
    if (size != 0) {
        buffer[length < 0 ? size - 1 : static_cast<std::size_t>(length)] = '\0';
    }
    if (length < 0) {
        length = ::_vscprintf(format, again);
    }
    va_end(again);
    return length;
}
