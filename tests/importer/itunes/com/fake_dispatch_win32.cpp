#include "tests/importer/itunes/com/fake_dispatch_win32.h"

#include <cwctype>

#include "tests/importer/itunes/com/fake_library_win32.h"

namespace fake_itunes {

LONG liveObjects = 0;

std::wstring Upper(std::wstring_view text) {
    std::wstring upper(text);
    for (wchar_t& c : upper) {
        c = static_cast<wchar_t>(std::towupper(c));
    }
    return upper;
}

FakeObject::FakeObject() {
    InterlockedIncrement(&liveObjects);
}

FakeObject::~FakeObject() {
    InterlockedDecrement(&liveObjects);
}

HRESULT FakeObject::QueryInterface(REFIID id, void** object) {
    if (object == nullptr) {
        return E_POINTER;
    }
    if (IsEqualIID(id, IID_IUnknown) || IsEqualIID(id, IID_IDispatch)) {
        *object = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG FakeObject::AddRef() {
    return static_cast<ULONG>(InterlockedIncrement(&references_));
}

ULONG FakeObject::Release() {
    const LONG left = InterlockedDecrement(&references_);
    if (left == 0) {
        delete this;
    }
    return static_cast<ULONG>(left);
}

HRESULT FakeObject::GetTypeInfoCount(UINT* count) {
    if (count == nullptr) {
        return E_POINTER;
    }
    *count = 0;  // no type information: names are all a caller has
    return S_OK;
}

HRESULT FakeObject::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info != nullptr) {
        *info = nullptr;
    }
    return DISP_E_BADINDEX;
}

HRESULT FakeObject::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    if (names == nullptr || ids == nullptr || count == 0) {
        return E_INVALIDARG;
    }
    for (UINT i = 0; i < count; ++i) {
        ids[i] = DISPID_UNKNOWN;
    }
    // Names are matched without regard to case, as automation does.
    const std::wstring name = Upper(names[0]);
    Library& library = TheLibrary();
    ++library.lookups[name];
    if (library.Broken(name) == kFakeITunesUnknownName) {
        return DISP_E_UNKNOWNNAME;
    }
    for (const Member& member : Members()) {
        if (Upper(member.name) == name) {
            ids[0] = member.id;
            return count == 1 ? S_OK : DISP_E_UNKNOWNNAME;  // no named arguments here
        }
    }
    return DISP_E_UNKNOWNNAME;
}

HRESULT FakeObject::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* parameters,
                           VARIANT* result, EXCEPINFO* exception, UINT*) {
    const Member* called = nullptr;
    for (const Member& member : Members()) {
        if (member.id == id) {
            called = &member;
        }
    }
    if (called == nullptr) {
        return DISP_E_MEMBERNOTFOUND;
    }
    const std::wstring name = Upper(called->name);
    Library& library = TheLibrary();
    ++library.calls[name];
    switch (library.Broken(name)) {
        case kFakeITunesUnknownName:
            return DISP_E_MEMBERNOTFOUND;
        case kFakeITunesCallFails:
            // The texts are the caller's to free.
            if (exception != nullptr) {
                ZeroMemory(exception, sizeof *exception);
                exception->scode = RPC_E_CALL_REJECTED;
                exception->bstrSource = SysAllocString(L"iTunes");
                exception->bstrDescription = SysAllocString(L"The application is busy.");
            }
            return DISP_E_EXCEPTION;
        default:
            break;
    }
    if (parameters == nullptr) {
        return E_INVALIDARG;
    }
    return Call(id, flags, *parameters, result);
}

bool IsGet(WORD flags, const DISPPARAMS& parameters, const VARIANT* result) {
    return (flags & (DISPATCH_PROPERTYGET | DISPATCH_METHOD)) != 0 && parameters.cArgs == 0 &&
           parameters.cNamedArgs == 0 && result != nullptr;
}

bool TextArgument(WORD flags, const DISPPARAMS& parameters, const VARIANT* result,
                  std::wstring& text) {
    if ((flags & (DISPATCH_PROPERTYGET | DISPATCH_METHOD)) == 0 || parameters.cArgs != 1 ||
        parameters.cNamedArgs != 0 || result == nullptr || parameters.rgvarg[0].vt != VT_BSTR) {
        return false;
    }
    const BSTR argument = parameters.rgvarg[0].bstrVal;
    text.assign(argument == nullptr ? L"" : argument,
                argument == nullptr ? 0 : SysStringLen(argument));
    return true;
}

const VARIANT* PutValue(WORD flags, const DISPPARAMS& parameters) {
    if (flags != DISPATCH_PROPERTYPUT || parameters.cArgs != 1 || parameters.cNamedArgs != 1 ||
        parameters.rgdispidNamedArgs[0] != DISPID_PROPERTYPUT) {
        return nullptr;
    }
    return &parameters.rgvarg[0];
}

HRESULT ReturnObject(VARIANT* result, IDispatch* object) {
    result->vt = VT_DISPATCH;
    result->pdispVal = object;
    return S_OK;
}

HRESULT ReturnText(VARIANT* result, std::wstring_view text) {
    const BSTR value = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    if (value == nullptr) {
        return E_OUTOFMEMORY;
    }
    result->vt = VT_BSTR;
    result->bstrVal = value;
    return S_OK;
}

HRESULT ReturnBool(VARIANT* result, bool value) {
    result->vt = VT_BOOL;
    result->boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

}  // namespace fake_itunes
