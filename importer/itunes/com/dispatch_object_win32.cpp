#include "importer/itunes/com/dispatch_object_win32.h"

#include "importer/itunes/com/ansi_text_win32.h"

namespace itunes::com {
namespace {

// A get is sent as both a property get and a method call, as a late-bound call in a script
// is: collections publish ItemByName as an indexed property, others may make it a method.
constexpr WORD kGetFlags = DISPATCH_METHOD | DISPATCH_PROPERTYGET;

HRESULT Invoke(IDispatch& object, DISPID id, WORD flags, DISPPARAMS& parameters, VARIANT* result) {
    common::win32::ExceptionInfo exception;
    UINT argumentError = 0;
    return object.Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &parameters, result,
                         exception.Get(), &argumentError);
}

}  // namespace

std::optional<DISPID> DispidCache::Find(ObjectKind kind, std::wstring_view member) const {
    const auto found = ids_.find({kind, std::wstring(member)});
    if (found == ids_.end()) {
        return std::nullopt;
    }
    return found->second;
}

void DispidCache::Remember(ObjectKind kind, std::wstring_view member, DISPID id) {
    ids_[{kind, std::wstring(member)}] = id;
}

std::optional<DISPID> DispatchObject::Id(std::wstring_view member) {
    if (!object_) {
        return std::nullopt;
    }
    if (const std::optional<DISPID> known = cache_->Find(kind_, member)) {
        return known;
    }
    std::wstring name(member);
    LPOLESTR names[] = {name.data()};
    DISPID id = DISPID_UNKNOWN;
    if (FAILED(object_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id))) {
        return std::nullopt;
    }
    cache_->Remember(kind_, member, id);
    return id;
}

bool DispatchObject::Get(std::wstring_view member, VARIANT* argument, Variant& result) {
    const std::optional<DISPID> id = Id(member);
    if (!id) {
        return false;
    }
    DISPPARAMS parameters = {argument, nullptr, argument == nullptr ? 0u : 1u, 0u};
    return SUCCEEDED(Invoke(*object_.Get(), *id, kGetFlags, parameters, result.Get()));
}

bool DispatchObject::Put(std::wstring_view member, VARIANT& value) {
    const std::optional<DISPID> id = Id(member);
    if (!id) {
        return false;
    }
    // The value of a put is the one named argument DISPID_PROPERTYPUT.
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS parameters = {&value, &named, 1u, 1u};
    return SUCCEEDED(Invoke(*object_.Get(), *id, DISPATCH_PROPERTYPUT, parameters, nullptr));
}

ComPtr<IDispatch> DispatchOf(const VARIANT& value) {
    switch (value.vt) {
        case VT_DISPATCH:
            return ComPtr<IDispatch>::Share(value.pdispVal);
        case VT_UNKNOWN:
            return ComPtr<IUnknown>::Share(value.punkVal).As<IDispatch>(IID_IDispatch);
        default:
            return {};
    }
}

std::optional<ComPtr<IDispatch>> DispatchObject::GetObject(std::wstring_view member) {
    Variant result;
    if (!Get(member, nullptr, result)) {
        return std::nullopt;
    }
    return DispatchOf(*result);
}

std::optional<ComPtr<IDispatch>> DispatchObject::GetObject(std::wstring_view member,
                                                           std::string_view textArgument) {
    std::optional<Bstr> text = BstrFromAnsi(textArgument);
    if (!text) {
        return std::nullopt;
    }
    Variant argument;
    argument.Get()->vt = VT_BSTR;
    argument.Get()->bstrVal = text->Release();
    Variant result;
    if (!Get(member, argument.Get(), result)) {
        return std::nullopt;
    }
    return DispatchOf(*result);
}

std::optional<std::string> DispatchObject::GetText(std::wstring_view member) {
    Variant result;
    if (!Get(member, nullptr, result) || result.Type() == VT_EMPTY ||
        FAILED(VariantChangeType(result.Get(), result.Get(), 0, VT_BSTR))) {
        return std::nullopt;
    }
    return AnsiFromBstr((*result).bstrVal);
}

std::optional<bool> DispatchObject::GetBool(std::wstring_view member) {
    Variant result;
    if (!Get(member, nullptr, result) || result.Type() == VT_EMPTY ||
        FAILED(VariantChangeType(result.Get(), result.Get(), 0, VT_BOOL))) {
        return std::nullopt;
    }
    return (*result).boolVal != VARIANT_FALSE;
}

bool DispatchObject::PutText(std::wstring_view member, std::string_view value) {
    std::optional<Bstr> text = BstrFromAnsi(value);
    if (!text) {
        return false;
    }
    Variant argument;
    argument.Get()->vt = VT_BSTR;
    argument.Get()->bstrVal = text->Release();
    return Put(member, *argument.Get());
}

bool DispatchObject::PutInt32(std::wstring_view member, std::int32_t value) {
    Variant argument;
    argument.Get()->vt = VT_I4;
    argument.Get()->lVal = value;
    return Put(member, *argument.Get());
}

bool DispatchObject::PutInt16(std::wstring_view member, std::int16_t value) {
    Variant argument;
    argument.Get()->vt = VT_I2;
    argument.Get()->iVal = value;
    return Put(member, *argument.Get());
}

ComPtr<IEnumVARIANT> DispatchObject::NewEnum() {
    if (!object_) {
        return {};
    }
    // _NewEnum has its fixed DISPID, as a For Each loop calls it.
    DISPPARAMS none = {nullptr, nullptr, 0u, 0u};
    Variant result;
    if (FAILED(Invoke(*object_.Get(), DISPID_NEWENUM, kGetFlags, none, result.Get()))) {
        return {};
    }
    const VARIANT& value = *result;
    if (value.vt == VT_UNKNOWN) {
        return ComPtr<IUnknown>::Share(value.punkVal).As<IEnumVARIANT>(IID_IEnumVARIANT);
    }
    if (value.vt == VT_DISPATCH) {
        return ComPtr<IDispatch>::Share(value.pdispVal).As<IEnumVARIANT>(IID_IEnumVARIANT);
    }
    return {};
}

}  // namespace itunes::com
