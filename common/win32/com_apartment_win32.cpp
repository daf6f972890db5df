#include "common/win32/scoped_win.h"

namespace common::win32 {

// S_FALSE (already set up on this thread) also takes a reference that must be returned. OLE1's
// DDE is of no use to the shell's dialogs or to automation, and is left off.
ComApartment::ComApartment()
    : initialised_(
          SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) {
}

ComApartment::~ComApartment() {
    if (initialised_) {
        ::CoUninitialize();
    }
}

}  // namespace common::win32
