// Owners of the COM resources the late binding handles: interface pointers, BSTRs and
// VARIANTs, each released exactly once however a call ends. MinGW has no comsupp, so no
// _com_ptr_t or _bstr_t; these are the few operations the binding needs.
#pragma once

#include <windows.h>

#include <oleauto.h>

#include <utility>

namespace itunes::com {

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

// Holds one BSTR.
class Bstr {
  public:
    Bstr() = default;
    ~Bstr() { SysFreeString(text_); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    Bstr(Bstr&& other) noexcept : text_(std::exchange(other.text_, nullptr)) {}
    Bstr& operator=(Bstr&& other) noexcept {
        std::swap(text_, other.text_);
        return *this;
    }

    static Bstr Adopt(BSTR text) {
        Bstr owner;
        owner.text_ = text;
        return owner;
    }
    BSTR Get() const { return text_; }
    // Gives up ownership, as when the text moves into a VARIANT.
    BSTR Release() { return std::exchange(text_, nullptr); }

  private:
    BSTR text_ = nullptr;
};

// Holds one VARIANT and whatever it owns (a BSTR, an interface reference).
class Variant {
  public:
    Variant() { VariantInit(&value_); }
    ~Variant() { VariantClear(&value_); }
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
    ExceptionInfo() { ZeroMemory(&info_, sizeof info_); }
    ~ExceptionInfo() {
        SysFreeString(info_.bstrSource);
        SysFreeString(info_.bstrDescription);
        SysFreeString(info_.bstrHelpFile);
    }
    ExceptionInfo(const ExceptionInfo&) = delete;
    ExceptionInfo& operator=(const ExceptionInfo&) = delete;

    EXCEPINFO* Get() { return &info_; }

  private:
    EXCEPINFO info_;
};

}  // namespace itunes::com
