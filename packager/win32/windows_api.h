// <windows.h> for VEXOSetup's Win32 code. The header's A/W macros of these names would rename
// our own names wherever it is included - the worker's CreateFile and DeleteFile operations and
// the set-up steps CreateMutex, CreateEvent and RegisterClass - so they are dropped here, and
// the A functions are called by their full names.
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
