// Type information from the type library in this module's own resources.
#include <Tallivanx.h>

extern "C" IMAGE_DOS_HEADER __ImageBase;

// Loaded on first use and kept for the life of the module.
static ITypeLib* volatile library = nullptr;

static HRESULT Library(ITypeLib** out) {
    if (ITypeLib* held = library) {
        *out = held;
        return S_OK;
    }
    WCHAR path[MAX_PATH * 4];
    DWORD n = GetModuleFileNameW(reinterpret_cast<HMODULE>(&__ImageBase), path, ARRAYSIZE(path));
    if (n == 0 || n >= ARRAYSIZE(path)) return HRESULT_FROM_WIN32(GetLastError());
    ITypeLib* loaded = nullptr;
    HRESULT hr = LoadTypeLibEx(path, REGKIND_NONE, &loaded);
    if (FAILED(hr)) return hr;
    // Another thread may have been first: keep its library, drop ours.
    if (InterlockedCompareExchangePointer(reinterpret_cast<PVOID volatile*>(&library), loaded, nullptr))
        loaded->Release();
    *out = library;
    return S_OK;
}

extern "C" HRESULT WINAPI GetTallivanxTypeInfo(REFIID iid, ITypeInfo** info) {
    if (!info) return E_INVALIDARG;
    *info = nullptr;
    ITypeLib* lib = nullptr;
    HRESULT hr = Library(&lib);
    if (FAILED(hr)) return hr;
    return lib->GetTypeInfoOfGuid(iid, info);
}

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
    // At process exit other modules may be gone already: release only when
    // the library itself is unloaded.
    if (reason == DLL_PROCESS_DETACH && !reserved)
        if (ITypeLib* held = static_cast<ITypeLib*>(
                InterlockedExchangePointer(reinterpret_cast<PVOID volatile*>(&library), nullptr)))
            held->Release();
    return TRUE;
}
