#pragma once
// Owners for COM pointers, BSTRs and VARIANTs, so that no early return or exception
// leaks a reference (a leaked reference keeps a server DLL loaded past CoUninitialize).
// Header-only: the movie host and the test stand-in control share it.

#include "platform/win32/Win32.h"
#include <oleauto.h>

#include <cstring>
#include <string>
#include <string_view>
#include <utility>

namespace vel::win32 {

template <class T>
class ComPtr {
public:
    ComPtr() = default;
    // Takes a new reference of p (AddRef).
    explicit ComPtr(T* p) : m_p(p) {
        if (m_p) m_p->AddRef();
    }
    ComPtr(const ComPtr& other) : ComPtr(other.m_p) {}
    ComPtr(ComPtr&& other) noexcept : m_p(std::exchange(other.m_p, nullptr)) {}
    ComPtr& operator=(ComPtr other) noexcept {
        std::swap(m_p, other.m_p);
        return *this;
    }
    ~ComPtr() { Reset(); }

    // Adopts a reference that the caller already owns (a creation function's result).
    static ComPtr Adopt(T* p) {
        ComPtr c;
        c.m_p = p;
        return c;
    }

    void Reset() {
        // Cleared before Release: the final Release may re-enter this owner.
        if (T* p = std::exchange(m_p, nullptr)) p->Release();
    }
    T* Get() const { return m_p; }
    T* operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }

    // Out-parameter of a creation call; the previous pointer is released first.
    T** Put() {
        Reset();
        return &m_p;
    }
    void** PutVoid() { return reinterpret_cast<void**>(Put()); }

    // A new reference for an out-parameter of a COM method.
    T* CopyOut() const {
        if (m_p) m_p->AddRef();
        return m_p;
    }

    template <class U>
    HRESULT QueryInto(REFIID iid, ComPtr<U>& out) const {
        if (!m_p) return E_POINTER;
        return m_p->QueryInterface(iid, out.PutVoid());
    }

private:
    T* m_p = nullptr;
};

// A BSTR owned by this object. Texts cross as UTF-16 copies (embedded NULs kept).
class Bstr {
public:
    Bstr() = default;
    explicit Bstr(std::u16string_view text) {
        if (text.size() > 0x7FFFFFF0u) return;  // SysAllocStringLen takes a UINT count.
        m_b = SysAllocStringLen(nullptr, static_cast<UINT>(text.size()));
        if (m_b && !text.empty()) std::memcpy(m_b, text.data(), text.size() * sizeof(char16_t));
    }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    Bstr(Bstr&& other) noexcept : m_b(std::exchange(other.m_b, nullptr)) {}
    Bstr& operator=(Bstr&& other) noexcept {
        std::swap(m_b, other.m_b);
        return *this;
    }
    ~Bstr() { SysFreeString(m_b); }

    static Bstr Adopt(BSTR b) {
        Bstr r;
        r.m_b = b;
        return r;
    }
    BSTR Get() const { return m_b; }
    BSTR Release() { return std::exchange(m_b, nullptr); }
    BSTR* Put() {
        SysFreeString(std::exchange(m_b, nullptr));
        return &m_b;
    }

    // A null BSTR is the empty text, as COM defines it.
    static std::u16string ToText(BSTR b) {
        std::u16string out(b ? SysStringLen(b) : 0, u'\0');
        if (!out.empty()) std::memcpy(out.data(), b, out.size() * sizeof(char16_t));
        return out;
    }
    std::u16string Text() const { return ToText(m_b); }

private:
    BSTR m_b = nullptr;
};

// A VARIANT cleared on destruction (frees its BSTR or releases its interface).
class Variant {
public:
    Variant() { VariantInit(&m_v); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
    ~Variant() { VariantClear(&m_v); }

    VARIANT* Get() { return &m_v; }
    const VARIANT* Get() const { return &m_v; }
    VARIANT* Put() {
        VariantClear(&m_v);
        return &m_v;
    }

    // Takes ownership of b.
    void SetBstr(Bstr b) {
        VariantClear(&m_v);
        m_v.vt = VT_BSTR;
        m_v.bstrVal = b.Release();
    }
    void SetInt(LONG value) {
        VariantClear(&m_v);
        m_v.vt = VT_I4;
        m_v.lVal = value;
    }

private:
    VARIANT m_v;
};

// The strings an IDispatch call may hand back with DISP_E_EXCEPTION.
struct ExcepInfo {
    EXCEPINFO info{};
    ExcepInfo() = default;
    ExcepInfo(const ExcepInfo&) = delete;
    ExcepInfo& operator=(const ExcepInfo&) = delete;
    ~ExcepInfo() {
        SysFreeString(info.bstrSource);
        SysFreeString(info.bstrDescription);
        SysFreeString(info.bstrHelpFile);
    }
};

// Wide Win32 calls take wchar_t; the program's wide text is char16_t of the same size.
static_assert(sizeof(wchar_t) == sizeof(char16_t));

}  // namespace vel::win32
