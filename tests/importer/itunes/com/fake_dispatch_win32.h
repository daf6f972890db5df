// The automation plumbing of the test server: an IDispatch answering to a table of member
// names, written by hand without a type library, strict about how each member is called so
// that a binding that calls it wrongly fails.
#pragma once

#include <windows.h>

#include <oleauto.h>

#include <span>
#include <string>
#include <string_view>

namespace fake_itunes {

struct Member {
    const wchar_t* name;
    DISPID id;
};

// Every automation object and enumerator of the server, for the tests' leak check.
extern LONG liveObjects;

std::wstring Upper(std::wstring_view text);

// COM objects end in their own Release, never by a delete through an interface pointer.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class FakeObject : public IDispatch {
  public:
    FakeObject();
    virtual ~FakeObject();
    FakeObject(const FakeObject&) = delete;
    FakeObject& operator=(const FakeObject&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                            DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* parameters,
                                     VARIANT* result, EXCEPINFO* exception,
                                     UINT* argumentError) override;

  protected:
    virtual std::span<const Member> Members() const = 0;
    // Called only for a member of the table that is not broken.
    virtual HRESULT Call(DISPID id, WORD flags, const DISPPARAMS& parameters, VARIANT* result) = 0;

  private:
    LONG references_ = 1;  // the creator's
};
#pragma GCC diagnostic pop

// The shapes of a call, as a late-bound caller must send them.
bool IsGet(WORD flags, const DISPPARAMS& parameters, const VARIANT* result);
// A get or method call with one text argument; false when the call has another shape.
bool TextArgument(WORD flags, const DISPPARAMS& parameters, const VARIANT* result,
                  std::wstring& text);
// The value of a property put: one argument, named DISPID_PROPERTYPUT; null otherwise.
const VARIANT* PutValue(WORD flags, const DISPPARAMS& parameters);

// Results; the object's reference moves into the VARIANT, which may also hold Nothing.
HRESULT ReturnObject(VARIANT* result, IDispatch* object);
HRESULT ReturnText(VARIANT* result, std::wstring_view text);
HRESULT ReturnBool(VARIANT* result, bool value);

}  // namespace fake_itunes
