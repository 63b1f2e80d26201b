#include <HostSession.h>

static co<ITypeInfo> SessionTypeInfo() {
    co<ITypeInfo> info;
    GetTallivanxTypeInfo(__uuidof(ITallivantSessionSite), info.Out());
    return info;
}

// Text of a possibly null BSTR, embedded zeros included.
static std::wstring Text(const wchar_t* s) { return s ? std::wstring(s, SysStringLen(const_cast<BSTR>(s))) : std::wstring(); }

HostSession::HostSession() : IDispatchType<ITallivantSessionSite>(SessionTypeInfo()) {}

HostSession::~HostSession() {}

HRESULT STDMETHODCALLTYPE HostSession::GetName(BSTR* name) {
    if (!name) return E_POINTER;
    *name = SysAllocString(L"Session");
    return S_OK;
}

HRESULT STDMETHODCALLTYPE HostSession::HasValue(BSTR name, VARIANT_BOOL* present) {
    if (!present) return E_POINTER;
    *present = values_.count(Text(name)) ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE HostSession::RemoveValue(BSTR name) {
    return values_.erase(Text(name)) ? S_OK : S_FALSE;
}

HRESULT STDMETHODCALLTYPE HostSession::GetValueCount(LONG* count) {
    if (!count) return E_POINTER;
    *count = static_cast<LONG>(values_.size());
    return S_OK;
}

HRESULT STDMETHODCALLTYPE HostSession::SetValue(BSTR name, BSTR value) {
    values_[Text(name)] = Text(value);
    return S_OK;
}

LPCWSTR STDMETHODCALLTYPE HostSession::GetValue(BSTR name) {
    auto it = values_.find(Text(name));
    return it == values_.end() ? L"" : it->second.c_str();
}

HRESULT STDMETHODCALLTYPE HostSession::RemoveSessionExtender(ITallivantSessionExtender* extender) {
    for (auto it = extenders_.begin(); it != extenders_.end(); ++it)
        if (it->get() == extender) {
            extenders_.erase(it);
            return S_OK;
        }
    return S_FALSE;
}

HRESULT STDMETHODCALLTYPE HostSession::AddSessionExtender(ITallivantSessionExtender* extender) {
    if (!extender) return E_INVALIDARG;
    extender->AddRef();
    extenders_.emplace_back(extender);
    return S_OK;
}

bool HostSession::Has(const wchar_t* name) const { return values_.count(name ? name : L"") != 0; }

const wchar_t* HostSession::Value(const wchar_t* name) const {
    auto it = values_.find(name ? name : L"");
    return it == values_.end() ? L"" : it->second.c_str();
}

void HostSession::Set(const wchar_t* name, const wchar_t* value) {
    values_[name ? name : L""] = value ? value : L"";
}
