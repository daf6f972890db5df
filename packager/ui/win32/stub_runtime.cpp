// What the stub takes from the C and C++ runtimes, in smaller form.
//
// Memory comes from the process heap. Running out of it - or a size beyond what a string or a
// vector can hold, which no heap could give either - throws std::bad_alloc, which the set-up
// and the worker catch and report as the failure of the step at hand; unwinding closes whatever
// the step had open, so that the temporary folder can still be removed. The library's other
// error paths (logic errors the stub's code never makes) and its terminate handler end the
// process at once with exit code 1, the program's only failure code: the library's own handler,
// which prints the exception's demangled name, would bring the demangler and a printf family in
// (some 75 KiB in a stub that should stay small), and abort would end with 3.
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
#include <exception>
#include <new>

#include "common/win32/windows_api.h"
#include "packager/ui/win32/package_main.h"

namespace {

[[noreturn]] void EndAbnormally() {
    ::ExitProcess(packager::win32::kAbnormalEndCode);
}

[[noreturn]] void RunOutOfMemory() {
    throw std::bad_alloc();
}

void* Allocate(std::size_t size) {
    void* memory = ::HeapAlloc(::GetProcessHeap(), 0, size == 0 ? 1 : size);
    if (memory == nullptr) {
        RunOutOfMemory();
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

// The library's throw points (bits/functexcept.h): a size that cannot be had is memory running
// out; the others are faults of the program itself.
namespace std {

void __throw_bad_alloc() {
    RunOutOfMemory();
}
void __throw_bad_array_new_length() {
    RunOutOfMemory();
}
void __throw_length_error(const char*) {
    RunOutOfMemory();
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

// The terminate handler (an exception that nothing catches, a pure virtual call).
namespace __gnu_cxx {

void __verbose_terminate_handler() {
    EndAbnormally();
}

}  // namespace __gnu_cxx

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
