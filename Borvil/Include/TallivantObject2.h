// TallivantObject2<T>: the base of every COM object of the plug-in that
// implements the host interface T. Adds to IDispatchType<T> the embedded
// IObjectSafety and ISupportErrorInfo objects of the host library and the
// exception boundary of Invoke: an exception that leaves an operation (see
// ComBoundary.h) becomes DISP_E_EXCEPTION with an exception record, and
// the object stays usable.
//
// The concrete class implements T's own operations, each body run through
// ComOperation so that nothing unwinds into the caller.
#pragma once

#include <windows.h>
#include <objsafe.h>
#include <oleauto.h>

#include <Tallivanx.h>

#include "ComBoundary.h"
#include "checks.h"
#include "co.h"
#include "IDispatchType.h"

// The host's type information for interface iid; throws CoError when the
// host library has none.
inline co<ITypeInfo> HostTypeInfo(REFIID iid) {
    co<ITypeInfo> info;
    THROW_IF_FAILED(GetTallivanxTypeInfo(iid, info.Out()));
    return info;
}

// The object-safety options every object of the plug-in declares: safe for
// untrusted callers and for untrusted data.
const DWORD SafeForScripting = INTERFACESAFE_FOR_UNTRUSTED_CALLER | INTERFACESAFE_FOR_UNTRUSTED_DATA;

template <class T>
class TallivantObject2 : public IDispatchType<T> {
public:
    typedef T Interface;

    // An empty info makes the object fetch the host's for T.
    TallivantObject2(const co<ITypeInfo>& info, DWORD options)
        : IDispatchType<T>(info), safety_(static_cast<T*>(this)), errorInfo_(static_cast<T*>(this)) {
        safety_.SetInterfaceSafetyOptions(__uuidof(IUnknown), SafeForScripting, options);
        safety_.SetInterfaceSafetyOptions(__uuidof(IDispatch), SafeForScripting, options);
        safety_.SetInterfaceSafetyOptions(__uuidof(T), SafeForScripting, options);
        if (!this->typeInfo) this->typeInfo = HostTypeInfo(__uuidof(T));
        errorInfo_.Add(__uuidof(IDispatch));
        errorInfo_.Add(__uuidof(T));
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_INVALIDARG;
        if (IsEqualIID(iid, __uuidof(IObjectSafety))) {
            safety_.AddRef();
            *out = static_cast<IObjectSafety*>(&safety_);
            return S_OK;
        }
        if (IsEqualIID(iid, __uuidof(ISupportErrorInfo))) {
            errorInfo_.AddRef();
            *out = static_cast<ISupportErrorInfo*>(&errorInfo_);
            return S_OK;
        }
        return IDispatchType<T>::QueryInterface(iid, out);
    }

    HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID iid, LCID locale, WORD flags,
                                     DISPPARAMS* params, VARIANT* result, EXCEPINFO* record,
                                     UINT* argError) override {
        SetErrorInfo(0, nullptr);
        if (record) *record = EXCEPINFO();
        try {
            ComInvokeScope scope;
            HRESULT hr = IDispatchType<T>::Invoke(member, iid, locale, flags, params, result, record,
                                                  argError);
            scope.Rethrow();
            return ErrorInfoResult(hr, record);
        } catch (...) {
            return ComExceptionRecord(record);
        }
    }

private:
    // Error information that an operation set while returning normally
    // turns the call into DISP_E_EXCEPTION.
    static HRESULT ErrorInfoResult(HRESULT hr, EXCEPINFO* record) {
        co<IErrorInfo> error;
        if (GetErrorInfo(0, error.Out()) != S_OK || !error) return hr;
        BSTR description = nullptr;
        if (record && SUCCEEDED(error->GetDescription(&description))) {
            DWORD context = 0;
            SysFreeString(record->bstrDescription);
            SysFreeString(record->bstrSource);
            record->bstrDescription = description;
            record->wCode = SUCCEEDED(error->GetHelpContext(&context)) ? LOWORD(context) : LOWORD(hr);
            record->bstrSource = SysAllocString(L"" COM_ERROR_SOURCE);
            record->scode = DISP_E_EXCEPTION;
        }
        return DISP_E_EXCEPTION;
    }

    ObjectSafety2 safety_;
    SupportErrorInfo errorInfo_;
};
