// IDispatchType<T>: IDispatch for interface T, driven by the host's type
// information for T: names and calls go through DispGetIDsOfNames and
// DispInvoke, which reach T's own operations at the slots that the type
// information gives.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include "IKnown.h"
#include "co.h"

template <class T>
class IDispatchType : public IKnown<T> {
public:
    explicit IDispatchType(const co<ITypeInfo>& info) : typeInfo(info) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_INVALIDARG;
        if (IsEqualIID(iid, __uuidof(IDispatch))) {
            *out = static_cast<T*>(this);
            this->AddRef();
            return S_OK;
        }
        return IKnown<T>::QueryInterface(iid, out);
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (!count) return E_INVALIDARG;
        *count = 1;
        return S_OK;
    }
    // The same type information whatever the index and locale.
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
        if (!info) return E_INVALIDARG;
        *info = typeInfo.get();
        if (*info) (*info)->AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                            DISPID* ids) override {
        if (!typeInfo) return E_UNEXPECTED;
        return DispGetIDsOfNames(typeInfo.get(), names, count, ids);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* record, UINT* argError) override {
        if (!typeInfo) return E_UNEXPECTED;
        return DispInvoke(static_cast<T*>(this), typeInfo.get(), member, flags, params, result,
                          record, argError);
    }

protected:
    co<ITypeInfo> typeInfo;
};
