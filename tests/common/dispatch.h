// Calls through IDispatch as a host does: names first, then Invoke with
// VARIANT arguments given in their natural order.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <initializer_list>
#include <vector>

#include <gtest/gtest.h>

#include <co.h>

inline DISPID DispId(IDispatch* object, const wchar_t* name) {
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    DISPID id = -12345;
    HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    EXPECT_EQ(S_OK, hr) << "no member named " << static_cast<const void*>(name);
    return id;
}

// Owns the strings of an exception record.
struct Record : EXCEPINFO {
    Record() : EXCEPINFO() {}
    ~Record() { Reset(); }
    // Empty again, for one more call.
    void Reset() {
        SysFreeString(bstrSource);
        SysFreeString(bstrDescription);
        SysFreeString(bstrHelpFile);
        *static_cast<EXCEPINFO*>(this) = EXCEPINFO();
    }
};

inline HRESULT Call(IDispatch* object, const wchar_t* name, std::initializer_list<VARIANT> args,
                    EXCEPINFO* record = nullptr, UINT* argError = nullptr) {
    std::vector<VARIANT> reversed(args.begin(), args.end());
    std::reverse(reversed.begin(), reversed.end());
    DISPPARAMS params = {reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    UINT ignored = 0;
    return object->Invoke(DispId(object, name), IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params,
                          nullptr, record, argError ? argError : &ignored);
}

// VARIANTs borrowing what they show; the caller keeps the object or text alive.
inline VARIANT ObjectArg(IUnknown* object) {
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_UNKNOWN;
    V_UNKNOWN(&v) = object;
    return v;
}
inline VARIANT TextArg(BSTR text) {
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_BSTR;
    V_BSTR(&v) = text;
    return v;
}
inline VARIANT EmptyArg() {
    VARIANT v;
    VariantInit(&v);
    return v;
}
