// <windows.h> for code that names operations of its own after Win32 functions: the header's
// A/W macros of these names would rename our own names wherever it is included (VEXOSetup's
// CreateFile and DeleteFile operations, its set-up steps CreateMutex, CreateEvent and
// RegisterClass), so they are dropped here, and the A functions are called by their full names.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#undef CreateFile
#undef DeleteFile
#undef CreateMutex
#undef CreateEvent
#undef RegisterClass
