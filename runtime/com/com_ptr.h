// Move-only owners for COM interface pointers, BSTRs, VARIANTs and the
// descriptions a type information hands out, plus ANSI <-> UTF-16 helpers.
#pragma once

#include <windows.h>
#include <oaidl.h>
#include <oleauto.h>

#include <string>
#include <utility>
#include <vector>

namespace vx::com {

template <class T>
class ComPtr {
public:
    ComPtr() = default;
    // Adopts a reference the caller already owns.
    explicit ComPtr(T* p) : p_(p) {}
    ComPtr(ComPtr&& o) noexcept : p_(o.p_) { o.p_ = nullptr; }
    ComPtr& operator=(ComPtr&& o) noexcept {
        if (this != &o) reset(o.release());
        return *this;
    }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ~ComPtr() { reset(); }

    T* get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    // Out-parameter slot; drops the current reference first.
    T** put() {
        reset();
        return &p_;
    }
    void** put_void() { return reinterpret_cast<void**>(put()); }
    T* release() {
        T* p = p_;
        p_ = nullptr;
        return p;
    }
    void reset(T* p = nullptr) {
        if (p_) p_->Release();
        p_ = p;
    }

    template <class U>
    ComPtr<U> query(REFIID iid) const {
        ComPtr<U> out;
        if (p_) p_->QueryInterface(iid, out.put_void());
        return out;
    }

private:
    T* p_ = nullptr;
};

// Adds a reference and returns an owner of it.
template <class T>
ComPtr<T> Share(T* p) {
    if (p) p->AddRef();
    return ComPtr<T>(p);
}

class Bstr {
public:
    Bstr() = default;
    explicit Bstr(BSTR b) : b_(b) {}
    Bstr(Bstr&& o) noexcept : b_(o.b_) { o.b_ = nullptr; }
    Bstr& operator=(Bstr&& o) noexcept {
        if (this != &o) {
            SysFreeString(b_);
            b_ = o.b_;
            o.b_ = nullptr;
        }
        return *this;
    }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    ~Bstr() { SysFreeString(b_); }
    BSTR get() const { return b_; }
    BSTR release() {
        BSTR b = b_;
        b_ = nullptr;
        return b;
    }

private:
    BSTR b_ = nullptr;
};

class Variant {
public:
    Variant() { VariantInit(&v_); }
    Variant(Variant&& o) noexcept : v_(o.v_) { VariantInit(&o.v_); }
    Variant& operator=(Variant&&) = delete;
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
    ~Variant() { VariantClear(&v_); }
    VARIANT* get() { return &v_; }
    const VARIANT* get() const { return &v_; }
    VARIANT* operator->() { return &v_; }
    const VARIANT* operator->() const { return &v_; }
    // Hands the contents over (shallow) and leaves VT_EMPTY behind.
    VARIANT release() {
        VARIANT v = v_;
        VariantInit(&v_);
        return v;
    }

private:
    VARIANT v_;
};

// A fixed-size block of VARIANTs, cleared on destruction; elements never move.
class VariantArray {
public:
    explicit VariantArray(size_t n) : v_(n) {
        for (auto& v : v_) VariantInit(&v);
    }
    VariantArray(const VariantArray&) = delete;
    VariantArray& operator=(const VariantArray&) = delete;
    ~VariantArray() {
        for (auto& v : v_) VariantClear(&v);
    }
    VARIANT& operator[](size_t i) { return v_[i]; }
    VARIANT* data() { return v_.empty() ? nullptr : v_.data(); }
    size_t size() const { return v_.size(); }

private:
    std::vector<VARIANT> v_;
};

class TypeAttr {
public:
    TypeAttr(ITypeInfo* info) : info_(info) {
        if (info_ && FAILED(info_->GetTypeAttr(&attr_))) attr_ = nullptr;
    }
    TypeAttr(const TypeAttr&) = delete;
    TypeAttr& operator=(const TypeAttr&) = delete;
    ~TypeAttr() {
        if (attr_) info_->ReleaseTypeAttr(attr_);
    }
    const TYPEATTR* get() const { return attr_; }
    const TYPEATTR* operator->() const { return attr_; }

private:
    ITypeInfo* info_;
    TYPEATTR* attr_ = nullptr;
};

class ExcepInfo {
public:
    ExcepInfo() { ZeroMemory(&e_, sizeof e_); }
    ExcepInfo(const ExcepInfo&) = delete;
    ExcepInfo& operator=(const ExcepInfo&) = delete;
    ~ExcepInfo() {
        SysFreeString(e_.bstrSource);
        SysFreeString(e_.bstrDescription);
        SysFreeString(e_.bstrHelpFile);
    }
    EXCEPINFO* get() { return &e_; }

private:
    EXCEPINFO e_;
};

// ANSI (system code page) text to UTF-16; nullptr gives "".
std::wstring WideFromAnsi(const char* text);
// BSTR (nullptr allowed) to ANSI bytes.
std::string AnsiFromWide(const wchar_t* text, size_t length);
// A BSTR of an ANSI text; never nullptr (an empty text gives "").
Bstr BstrFromAnsi(const char* text);

}  // namespace vx::com
