#include "PluginHost.h"

#include <oleauto.h>
#include <stdio.h>

#include <string>

#include <checks.h>
#include <exceptions.h>

#include "common/Files.h"
#include "Objects/ClassIds.h"

typedef HRESULT(WINAPI* GetClassObjectEntry)(REFCLSID, REFIID, void**);

void CheckResult(HRESULT hr, const char* what) {
    if (hr == S_OK) return;
    char code[16];
    snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(hr));
    throw KLAppException(string(what) + " failed: " + code);
}

static DISPID MemberId(IDispatch* object, const wchar_t* name) {
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    DISPID id = 0;
    CheckResult(object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), "GetIDsOfNames");
    return id;
}

// args in reverse order, as DISPPARAMS holds them; a failure's record goes
// to given, when there is one.
static HRESULT InvokeMethod(IDispatch* object, DISPID id, VARIANT* reversed, UINT count,
                            EXCEPINFO* given = nullptr) {
    DISPPARAMS params = {reversed, nullptr, count, 0};
    EXCEPINFO record = EXCEPINFO();
    UINT argError = 0;
    HRESULT hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr,
                                given ? given : &record, &argError);
    if (hr == DISP_E_EXCEPTION && !given) {
        SysFreeString(record.bstrSource);
        SysFreeString(record.bstrDescription);
        SysFreeString(record.bstrHelpFile);
    }
    return hr;
}

PluginHost::PluginHost() : host_(new HostObject) {
    std::string path = ExeFolder() + "aRvik.dll";
    HMODULE module = LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    THROW_LAST_ERROR_IF(!module);
    auto getClassObject = reinterpret_cast<GetClassObjectEntry>(GetProcAddress(module, "DllGetClassObject"));
    if (!getClassObject) throw KLAppException("aRvik.dll has no DllGetClassObject");
    co<IClassFactory> factory;
    CheckResult(getClassObject(CLSID_Plugin, IID_IClassFactory, reinterpret_cast<void**>(factory.Out())),
                "DllGetClassObject");
    CheckResult(factory->CreateInstance(nullptr, IID_ITallivantPlugin, reinterpret_cast<void**>(plugin_.Out())),
                "CreateInstance");
    VARIANT arg;
    VariantInit(&arg);
    V_VT(&arg) = VT_UNKNOWN;
    V_UNKNOWN(&arg) = static_cast<ITallivantHost*>(host_.get());
    CheckResult(InvokeMethod(plugin_.get(), MemberId(plugin_.get(), L"Initialize"), &arg, 1), "Initialize");
    if (host_->Sessions()->Extenders().size() != 1)
        throw KLAppException("the plug-in registered no session extender");
    extender_ = host_->Sessions()->Extenders()[0].get();
    command_ = MemberId(extender_, L"Command");
    sessionStarted_ = MemberId(extender_, L"SessionStarted");
}

PluginHost::~PluginHost() {
    plugin_.Release();
    host_.Release();
}

HRESULT PluginHost::Command(IUnknown* session, BSTR name, EXCEPINFO* record) const {
    VARIANT args[2];
    VariantInit(&args[0]);
    V_VT(&args[0]) = VT_BSTR;
    V_BSTR(&args[0]) = name;
    VariantInit(&args[1]);
    V_VT(&args[1]) = VT_UNKNOWN;
    V_UNKNOWN(&args[1]) = session;
    return InvokeMethod(extender_, command_, args, 2, record);
}

HRESULT PluginHost::SessionStarted(IUnknown* session, EXCEPINFO* record) const {
    VARIANT arg;
    VariantInit(&arg);
    V_VT(&arg) = VT_UNKNOWN;
    V_UNKNOWN(&arg) = session;
    return InvokeMethod(extender_, sessionStarted_, &arg, 1, record);
}
