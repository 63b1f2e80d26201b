#include <Tallivanx.h>

SupportErrorInfo::SupportErrorInfo(IUnknown* outer) : outer_(outer), count_(0), iids_() {}

SupportErrorInfo::~SupportErrorInfo() {}

HRESULT STDMETHODCALLTYPE SupportErrorInfo::QueryInterface(REFIID iid, void** out) {
    if (!outer_) {
        if (out) *out = nullptr;
        return E_UNEXPECTED;
    }
    return outer_->QueryInterface(iid, out);
}

ULONG STDMETHODCALLTYPE SupportErrorInfo::AddRef() { return outer_ ? outer_->AddRef() : E_UNEXPECTED; }

ULONG STDMETHODCALLTYPE SupportErrorInfo::Release() { return outer_ ? outer_->Release() : E_UNEXPECTED; }

HRESULT STDMETHODCALLTYPE SupportErrorInfo::InterfaceSupportsErrorInfo(REFIID iid) {
    for (LONG i = 0; i < count_; ++i)
        if (IsEqualIID(iids_[i], iid)) return S_OK;
    return S_FALSE;
}

HRESULT SupportErrorInfo::Add(REFIID iid) {
    if (InterfaceSupportsErrorInfo(iid) == S_OK) return S_OK;
    if (count_ == Capacity) return E_OUTOFMEMORY;
    iids_[count_++] = iid;
    return S_OK;
}
