// The scripting peers' objects, reached through IDispatch as a script
// reaches them: made from their program ids, members looked up by name.
// Every failure throws, naming what was asked for.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string>

#include <co.h>
#include <exceptions.h>

#include "PluginHost.h"

// A new in-process object of progId (for example L"WScript.Shell").
inline co<IDispatch> CreateAutomationObject(const wchar_t* progId, const char* what) {
    CLSID objectClass;
    CheckResult(CLSIDFromProgID(progId, &objectClass), (std::string(what) + ": CLSIDFromProgID").c_str());
    co<IDispatch> object;
    CheckResult(CoCreateInstance(objectClass, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                 reinterpret_cast<void**>(object.Out())),
                (std::string(what) + ": CoCreateInstance").c_str());
    return object;
}

inline DISPID MemberId(IDispatch* object, const wchar_t* name, const char* what) {
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    DISPID id = 0;
    CheckResult(object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), what);
    return id;
}

// Calls a method with count arguments, given in reverse order as DISPPARAMS
// holds them; result may be null.
inline void CallMethod(IDispatch* object, DISPID id, VARIANT* args, UINT count, VARIANT* result, const char* what) {
    DISPPARAMS params = {args, nullptr, count, 0};
    UINT argError = 0;
    CheckResult(object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, result, nullptr,
                               &argError),
                what);
}

// Reads a property into result.
inline void GetProperty(IDispatch* object, DISPID id, VARIANT* result, const char* what) {
    DISPPARAMS params = {nullptr, nullptr, 0, 0};
    UINT argError = 0;
    CheckResult(object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &params, result, nullptr,
                               &argError),
                what);
}

// Calls a method whose result is an object, which the caller then holds.
inline co<IDispatch> CallForObject(IDispatch* object, DISPID id, VARIANT* args, UINT count, const char* what) {
    VARIANT result;
    VariantInit(&result);
    CallMethod(object, id, args, count, &result, what);
    if (V_VT(&result) != VT_DISPATCH) {
        VariantClear(&result);
        throw KLAppException((std::string(what) + " gave no object").c_str());
    }
    return co<IDispatch>(V_DISPATCH(&result));
}

// An empty VARIANT of the given type, for arguments.
inline VARIANT Typed(VARTYPE type) {
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = type;
    return v;
}
