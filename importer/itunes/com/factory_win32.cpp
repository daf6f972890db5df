// On Windows the application object is the outside application's, created by its
// programmatic identifier and called by member names only.
#include "importer/itunes/com/ansi_text_win32.h"
#include "importer/itunes/com/automation_objects_win32.h"
#include "importer/itunes/itunes.h"

namespace itunes {

// Needs COM on the calling thread (a common::win32::ComApartment); without it creation fails and
// the answer is null, as for an application that is not installed.
Ref<Application> CreateObject(std::string_view programmaticId) {
    const std::optional<com::Bstr> name = com::BstrFromAnsi(programmaticId);
    if (!name) {
        return nullptr;
    }
    CLSID classId;
    if (FAILED(CLSIDFromProgID(name->Get(), &classId))) {
        return nullptr;
    }
    com::ComPtr<IDispatch> application;
    if (FAILED(CoCreateInstance(classId, nullptr, CLSCTX_LOCAL_SERVER | CLSCTX_INPROC_SERVER,
                                IID_IDispatch, reinterpret_cast<void**>(application.Receive())))) {
        return nullptr;
    }
    return com::MakeApplication(std::move(application));
}

}  // namespace itunes
