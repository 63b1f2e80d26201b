// The host library's services for plug-in objects.
//
// GetTallivanxTypeInfo gives the type information of a host interface,
// with a reference for the caller; plug-ins run IDispatch on it.
//
// ObjectSafety2 and SupportErrorInfo live inside a plug-in object (the
// outer object). Each begins with its interface's table of operations,
// followed by the outer object's pointer, so the address of the member is
// the interface pointer handed out. Reference counting and QueryInterface go
// to the outer object; without one they answer E_UNEXPECTED.
// Nothing here throws.
#pragma once

#include <windows.h>
#include <oaidl.h>
#include <objsafe.h>

#include <Tallivant.h>

#ifdef __CRT_UUID_DECL
__CRT_UUID_DECL(IObjectSafety, 0xcb5bdc81, 0x93c1, 0x11cf, 0x8f, 0x20, 0x00, 0x80, 0x5f, 0x2c, 0xd0, 0x64)
#endif

#ifdef TALLIVANX_BUILD
#define TALLIVANX_API __declspec(dllexport)
#else
#define TALLIVANX_API __declspec(dllimport)
#endif

// E_INVALIDARG for a null out pointer; TYPE_E_ELEMENTNOTFOUND for an
// identifier that names no host interface.
extern "C" TALLIVANX_API HRESULT WINAPI GetTallivanxTypeInfo(REFIID iid, ITypeInfo** info);

class TALLIVANX_API ObjectSafety2 : public IObjectSafety {
public:
    explicit ObjectSafety2(IUnknown* outer);
    ~ObjectSafety2();
    ObjectSafety2(const ObjectSafety2&) = delete;
    ObjectSafety2& operator=(const ObjectSafety2&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    // Unknown identifiers give E_NOINTERFACE with both sets empty.
    HRESULT STDMETHODCALLTYPE GetInterfaceSafetyOptions(REFIID iid, DWORD* supported,
                                                        DWORD* enabled) override;
    // The first call for an identifier declares the options of mask as
    // supported; later calls may enable or disable only supported options.
    HRESULT STDMETHODCALLTYPE SetInterfaceSafetyOptions(REFIID iid, DWORD mask, DWORD options) override;

    enum { Capacity = 4 };

private:
    struct Entry {
        IID iid;
        DWORD supported;
        DWORD enabled;
    };
    IUnknown* outer_;
    LONG count_;
    Entry entries_[Capacity];
};

class TALLIVANX_API SupportErrorInfo : public ISupportErrorInfo {
public:
    explicit SupportErrorInfo(IUnknown* outer);
    ~SupportErrorInfo();
    SupportErrorInfo(const SupportErrorInfo&) = delete;
    SupportErrorInfo& operator=(const SupportErrorInfo&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    // S_OK for an added identifier, S_FALSE for any other.
    HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID iid) override;

    // Declares iid as supporting error information; E_OUTOFMEMORY when full.
    HRESULT Add(REFIID iid);

    enum { Capacity = 4 };

private:
    IUnknown* outer_;
    LONG count_;
    IID iids_[Capacity];
};
