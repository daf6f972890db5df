// Owners of the Win32 resources both programs hold: kernel objects, folder listings, GDI objects
// and drawing contexts, memory the system hands out, COM references, BSTRs and VARIANTs, and
// the COM apartment of a thread. Each is given back exactly once, when its owner goes, however
// the code that made it ends. MinGW has neither comsupp nor WIL, so there is no _com_ptr_t,
// _bstr_t or unique_any: these are the few operations the programs use. Everything but the
// apartment lives in this header, so that VEXOSetup's stub, built without exceptions, takes in
// only the owners it uses.
#pragma once

#include <utility>

#include "common/win32/windows_api.h"

#include <objbase.h>
#include <oleauto.h>

namespace common::win32 {

// The owner of a handle that one function gives back. Traits name the handle's type, the value
// that stands for none, which values are handles at all, and the giving back.
template <typename Traits>
class UniqueResource {
  public:
    using Handle = typename Traits::Handle;

    UniqueResource() = default;
    explicit UniqueResource(Handle handle) : handle_(handle) {}
    UniqueResource(UniqueResource&& other) noexcept : handle_(other.Release()) {}
    UniqueResource& operator=(UniqueResource&& other) noexcept {
        if (this != &other) {
            Reset(other.Release());
        }
        return *this;
    }
    UniqueResource(const UniqueResource&) = delete;
    UniqueResource& operator=(const UniqueResource&) = delete;
    ~UniqueResource() { Close(); }

    Handle Get() const { return handle_; }
    bool Valid() const { return Traits::Valid(handle_); }
    explicit operator bool() const { return Valid(); }

    // Gives back what is held and keeps handle instead.
    void Reset(Handle handle = Traits::None()) {
        Close();
        handle_ = handle;
    }
    // Hands the handle over without giving it back, as when it moves into another owner.
    Handle Release() { return std::exchange(handle_, Traits::None()); }
    // For an out parameter: gives back what is held and hands out the slot.
    Handle* Receive() {
        Close();
        return &handle_;
    }
    // Gives the handle back now; false when that failed.
    bool Close() {
        const Handle handle = Release();
        return !Traits::Valid(handle) || Traits::Close(handle);
    }

  private:
    Handle handle_ = Traits::None();
};

// A kernel object: file, process, thread, token, mutex or event. The functions that create
// them disagree on what failure returns (NULL or INVALID_HANDLE_VALUE), so both mean none.
struct KernelObjectTraits {
    using Handle = HANDLE;
    static HANDLE None() { return nullptr; }
    static bool Valid(HANDLE handle) { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }
    static bool Close(HANDLE handle) { return ::CloseHandle(handle) != FALSE; }
};
using UniqueHandle = UniqueResource<KernelObjectTraits>;

// A folder listing begun by FindFirstFileA, ended by FindClose.
struct FindTraits {
    using Handle = HANDLE;
    static HANDLE None() { return INVALID_HANDLE_VALUE; }
    static bool Valid(HANDLE handle) { return handle != INVALID_HANDLE_VALUE; }
    static bool Close(HANDLE handle) { return ::FindClose(handle) != FALSE; }
};
using FindHandle = UniqueResource<FindTraits>;

// A watch begun by FindFirstChangeNotificationA, ended by FindCloseChangeNotification.
struct ChangeNotificationTraits : FindTraits {
    static bool Close(HANDLE handle) { return ::FindCloseChangeNotification(handle) != FALSE; }
};
using ChangeNotificationHandle = UniqueResource<ChangeNotificationTraits>;

// A font, brush, pen or bitmap of our own making; it must no longer be selected into a
// context when its owner goes (see SelectedObject).
template <typename Object>
struct GdiObjectTraits {
    using Handle = Object;
    static Object None() { return nullptr; }
    static bool Valid(Object object) { return object != nullptr; }
    static bool Close(Object object) { return ::DeleteObject(object) != FALSE; }
};
template <typename Object>
using GdiObject = UniqueResource<GdiObjectTraits<Object>>;

// Memory the system allocated for the caller, given back by giveBack (LocalFree, CoTaskMemFree).
template <typename Pointer, auto giveBack>
struct SystemMemoryTraits {
    using Handle = Pointer;
    static Pointer None() { return nullptr; }
    static bool Valid(Pointer memory) { return memory != nullptr; }
    static bool Close(Pointer memory) {
        giveBack(memory);
        return true;
    }
};
// What LocalFree gives back: FormatMessageA's texts, security descriptors.
template <typename Pointer>
using LocalMemory = UniqueResource<SystemMemoryTraits<Pointer, ::LocalFree>>;
// What CoTaskMemFree gives back: the shell's item lists, memory that COM calls hand out.
template <typename Pointer>
using TaskMemory = UniqueResource<SystemMemoryTraits<Pointer, ::CoTaskMemFree>>;

// A BSTR; Release() hands the text over, as when it moves into a VARIANT.
struct BstrTraits {
    using Handle = BSTR;
    static BSTR None() { return nullptr; }
    static bool Valid(BSTR text) { return text != nullptr; }
    static bool Close(BSTR text) {
        ::SysFreeString(text);
        return true;
    }
};
using Bstr = UniqueResource<BstrTraits>;

struct MemoryDcTraits {
    using Handle = HDC;
    static HDC None() { return nullptr; }
    static bool Valid(HDC dc) { return dc != nullptr; }
    static bool Close(HDC dc) { return ::DeleteDC(dc) != FALSE; }
};
// A memory drawing context compatible with another one (the screen's when that is null).
class MemoryDc : public UniqueResource<MemoryDcTraits> {
  public:
    explicit MemoryDc(HDC compatibleWith) : UniqueResource(::CreateCompatibleDC(compatibleWith)) {}
};

// BeginPaint ... EndPaint of one WM_PAINT.
class PaintSession {
  public:
    explicit PaintSession(HWND window) : window_(window), dc_(::BeginPaint(window, &paint_)) {}
    ~PaintSession() { ::EndPaint(window_, &paint_); }
    PaintSession(const PaintSession&) = delete;
    PaintSession& operator=(const PaintSession&) = delete;

    HDC Dc() const { return dc_; }

  private:
    HWND window_;
    PAINTSTRUCT paint_{};
    HDC dc_;
};

// An object selected into a context for a while; the one it replaced is put back when this
// goes, so that the object is free to be deleted.
class SelectedObject {
  public:
    SelectedObject(HDC dc, HGDIOBJ object)
        : dc_(dc), previous_(object != nullptr ? ::SelectObject(dc, object) : nullptr) {}
    ~SelectedObject() {
        if (previous_ != nullptr && previous_ != HGDI_ERROR) {
            ::SelectObject(dc_, previous_);
        }
    }
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;

  private:
    HDC dc_;
    HGDIOBJ previous_;
};

// A mutex held for as long as this lives. An abandoned mutex (its holder ended without
// releasing it) is held as well: the wait hands it over.
class MutexLock {
  public:
    explicit MutexLock(HANDLE mutex) : mutex_(mutex) {
        const DWORD waited = ::WaitForSingleObject(mutex_, INFINITE);
        held_ = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
    }
    ~MutexLock() {
        if (held_) {
            ::ReleaseMutex(mutex_);
        }
    }
    MutexLock(const MutexLock&) = delete;
    MutexLock& operator=(const MutexLock&) = delete;

    bool Held() const { return held_; }

  private:
    HANDLE mutex_;
    bool held_ = false;
};

// Holds one reference to an interface.
template <typename Interface>
class ComPtr {
  public:
    ComPtr() = default;
    ~ComPtr() { Reset(); }
    ComPtr(const ComPtr& other) : pointer_(other.pointer_) {
        if (pointer_ != nullptr) {
            pointer_->AddRef();
        }
    }
    ComPtr(ComPtr&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
    ComPtr& operator=(ComPtr other) noexcept {
        std::swap(pointer_, other.pointer_);
        return *this;
    }

    // Takes over a reference the caller already holds.
    static ComPtr Adopt(Interface* pointer) {
        ComPtr owner;
        owner.pointer_ = pointer;
        return owner;
    }
    // Adds a reference of its own.
    static ComPtr Share(Interface* pointer) {
        if (pointer != nullptr) {
            pointer->AddRef();
        }
        return Adopt(pointer);
    }

    void Reset() {
        if (pointer_ != nullptr) {
            std::exchange(pointer_, nullptr)->Release();
        }
    }
    Interface* Get() const { return pointer_; }
    Interface* operator->() const { return pointer_; }
    explicit operator bool() const { return pointer_ != nullptr; }
    // For an out parameter: releases what is held and hands out the slot.
    Interface** Receive() {
        Reset();
        return &pointer_;
    }

    // Asks the object for another of its interfaces; empty when it has none.
    template <typename Other>
    ComPtr<Other> As(REFIID id) const {
        ComPtr<Other> other;
        if (pointer_ != nullptr &&
            FAILED(pointer_->QueryInterface(id, reinterpret_cast<void**>(other.Receive())))) {
            other.Reset();
        }
        return other;
    }

  private:
    Interface* pointer_ = nullptr;
};

// Holds one VARIANT and whatever it owns (a BSTR, an interface reference).
class Variant {
  public:
    Variant() { ::VariantInit(&value_); }
    ~Variant() { ::VariantClear(&value_); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;

    VARIANT* Get() { return &value_; }
    const VARIANT& operator*() const { return value_; }
    VARTYPE Type() const { return value_.vt; }

  private:
    VARIANT value_;
};

// The exception record an Invoke may fill: its texts are the caller's to free.
class ExceptionInfo {
  public:
    ExceptionInfo() : info_{} {}
    ~ExceptionInfo() {
        ::SysFreeString(info_.bstrSource);
        ::SysFreeString(info_.bstrDescription);
        ::SysFreeString(info_.bstrHelpFile);
    }
    ExceptionInfo(const ExceptionInfo&) = delete;
    ExceptionInfo& operator=(const ExceptionInfo&) = delete;

    EXCEPINFO* Get() { return &info_; }

  private:
    EXCEPINFO info_;
};

// COM for the calling thread, as a single-threaded apartment, for as long as this lives. A
// thread whose COM is already set up that way only adds a reference. The program's
// user-interface thread holds one for the program's life: the media library's objects are
// created and called on that thread only and must all be released before it ends, and the
// windows' pictures and the shell's folder picker need COM as well.
class ComApartment {
  public:
    ComApartment();
    ~ComApartment();
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

    // False when COM could not be set up (for example the thread already runs in the
    // multithreaded apartment); COM objects then cannot be created.
    bool Ok() const { return initialised_; }

  private:
    bool initialised_ = false;
};

}  // namespace common::win32
