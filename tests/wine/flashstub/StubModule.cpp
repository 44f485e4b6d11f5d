// The stand-in movie control's DLL: class object, unloading and self-registration
// (regsvr32) under the movie control's class id, in a test prefix only.

#include <windows.h>
#include <ole2.h>
#include <olectl.h>

#include <string>

#include "StubControl.h"
#include "StubSupport.h"
#include "platform/win32/MovieControlIds.h"

namespace {

HINSTANCE g_module = nullptr;
LONG g_locks = 0;

// One static class object: its lifetime is the DLL's, so it does not count references.
class ClassFactory final : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IClassFactory)) return E_NOINTERFACE;
        *out = static_cast<IClassFactory*>(this);
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        if (flashstub::ShouldFail(L"create")) {
            flashstub::Log("fail create");
            return E_FAIL;
        }
        return flashstub::CreateStubControl(iid, out);
    }
    HRESULT STDMETHODCALLTYPE LockServer(WINBOOL lock) override {
        g_locks += lock ? 1 : -1;
        return S_OK;
    }
};

ClassFactory g_factory;

std::wstring ClassKey() {
    wchar_t text[64] = {};
    StringFromGUID2(vel::win32::movie::kClass, text, 64);
    return std::wstring(L"CLSID\\") + text;
}

bool SetString(HKEY root, const std::wstring& key, const wchar_t* name, const std::wstring& value) {
    HKEY h = nullptr;
    if (RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &h, nullptr) != ERROR_SUCCESS)
        return false;
    LONG r = RegSetValueExW(h, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                            static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(h);
    return r == ERROR_SUCCESS;
}

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = module;
        flashstub::SetModule(module);
        DisableThreadLibraryCalls(module);
    }
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID id, REFIID iid, LPVOID* out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!IsEqualCLSID(id, vel::win32::movie::kClass)) return CLASS_E_CLASSNOTAVAILABLE;
    return g_factory.QueryInterface(iid, out);
}

STDAPI DllCanUnloadNow() { return flashstub::LiveControls() == 0 && g_locks == 0 ? S_OK : S_FALSE; }

STDAPI DllRegisterServer() {
    wchar_t path[MAX_PATH] = {};
    DWORD n = GetModuleFileNameW(g_module, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return SELFREG_E_CLASS;
    const std::wstring key = ClassKey();
    bool ok = SetString(HKEY_CLASSES_ROOT, key, nullptr, L"Velvinor test movie control") &&
              SetString(HKEY_CLASSES_ROOT, key + L"\\InprocServer32", nullptr, path) &&
              SetString(HKEY_CLASSES_ROOT, key + L"\\InprocServer32", L"ThreadingModel", L"Apartment");
    return ok ? S_OK : SELFREG_E_CLASS;
}

STDAPI DllUnregisterServer() {
    const std::wstring key = ClassKey();
    RegDeleteKeyW(HKEY_CLASSES_ROOT, (key + L"\\InprocServer32").c_str());
    LONG r = RegDeleteKeyW(HKEY_CLASSES_ROOT, key.c_str());
    return r == ERROR_SUCCESS || r == ERROR_FILE_NOT_FOUND ? S_OK : SELFREG_E_CLASS;
}

}  // extern "C"
