#include "importer/itunes/com/com_apartment.h"

#include <windows.h>

#include <objbase.h>

namespace itunes::com {

// S_FALSE (already initialised on this thread) also takes a reference that must be returned.
ComApartment::ComApartment() : initialised_(SUCCEEDED(CoInitialize(nullptr))) {}

ComApartment::~ComApartment() {
    if (initialised_) {
        CoUninitialize();
    }
}

}  // namespace itunes::com
