// ClassFactory<C>: creates objects of the concrete class C, which is
// constructed from the host's type information for C::Interface (fetched
// once per factory) and gives out its first reference to the caller.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include "ComBoundary.h"
#include "IKnown.h"
#include "TallivantObject2.h"

template <class C>
class ClassFactory : public IKnown<IClassFactory> {
public:
    typedef typename C::Interface Interface;

    // Throws CoError when the host has no type information for Interface.
    ClassFactory() : typeInfo_(HostTypeInfo(__uuidof(Interface))) {}

    // The outer object is not looked at: objects are never aggregated.
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown*, REFIID iid, void** out) override {
        if (!out) return E_INVALIDARG;
        *out = nullptr;
        if (!IsEqualIID(iid, __uuidof(IUnknown)) && !IsEqualIID(iid, __uuidof(IDispatch)) &&
            !IsEqualIID(iid, __uuidof(Interface)))
            return E_NOINTERFACE;
        // A failing constructor frees the memory; the failure goes to the
        // caller as error information and a result code.
        try {
            *out = static_cast<Interface*>(new C(typeInfo_));
            return S_OK;
        } catch (...) {
            return ComErrorInfo();
        }
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        return CoLockObjectExternal(this, lock, FALSE);
    }

private:
    co<ITypeInfo> typeInfo_;
};
