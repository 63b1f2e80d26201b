// HostSession: the host's session object, as the stand-in host and the tests
// hand it to session extenders. Its values live in memory; names are
// compared without regard to case; a name never set reads as the empty
// text. Extenders added with AddSessionExtender are held until the session
// goes. IDispatch runs on the host library's type information.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include <IDispatchType.h>
#include <Tallivanx.h>

class HostSession : public IDispatchType<ITallivantSessionSite> {
public:
    // Count 1, held by the creator.
    HostSession();

    HRESULT STDMETHODCALLTYPE GetName(BSTR* name) override;
    HRESULT STDMETHODCALLTYPE HasValue(BSTR name, VARIANT_BOOL* present) override;
    HRESULT STDMETHODCALLTYPE RemoveValue(BSTR name) override;
    HRESULT STDMETHODCALLTYPE GetValueCount(LONG* count) override;
    HRESULT STDMETHODCALLTYPE SetValue(BSTR name, BSTR value) override;
    LPCWSTR STDMETHODCALLTYPE GetValue(BSTR name) override;
    HRESULT STDMETHODCALLTYPE RemoveSessionExtender(ITallivantSessionExtender* extender) override;
    HRESULT STDMETHODCALLTYPE AddSessionExtender(ITallivantSessionExtender* extender) override;

    // For the host's own use; null names count as empty.
    bool Has(const wchar_t* name) const;
    const wchar_t* Value(const wchar_t* name) const;
    void Set(const wchar_t* name, const wchar_t* value);
    size_t Count() const { return values_.size(); }
    const std::vector<co<ITallivantSessionExtender>>& Extenders() const { return extenders_; }

private:
    ~HostSession() override;

    struct NoCase {
        bool operator()(const std::wstring& a, const std::wstring& b) const {
            return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                        static_cast<int>(b.size()), TRUE) == CSTR_LESS_THAN;
        }
    };
    std::map<std::wstring, std::wstring, NoCase> values_;
    std::vector<co<ITallivantSessionExtender>> extenders_;
};
