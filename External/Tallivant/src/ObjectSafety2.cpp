#include <Tallivanx.h>

ObjectSafety2::ObjectSafety2(IUnknown* outer) : outer_(outer), count_(0), entries_() {}

ObjectSafety2::~ObjectSafety2() {}

HRESULT STDMETHODCALLTYPE ObjectSafety2::QueryInterface(REFIID iid, void** out) {
    if (!outer_) {
        if (out) *out = nullptr;
        return E_UNEXPECTED;
    }
    return outer_->QueryInterface(iid, out);
}

ULONG STDMETHODCALLTYPE ObjectSafety2::AddRef() { return outer_ ? outer_->AddRef() : E_UNEXPECTED; }

ULONG STDMETHODCALLTYPE ObjectSafety2::Release() { return outer_ ? outer_->Release() : E_UNEXPECTED; }

HRESULT STDMETHODCALLTYPE ObjectSafety2::GetInterfaceSafetyOptions(REFIID iid, DWORD* supported,
                                                                   DWORD* enabled) {
    if (!supported || !enabled) return E_POINTER;
    *supported = *enabled = 0;
    for (LONG i = 0; i < count_; ++i)
        if (IsEqualIID(entries_[i].iid, iid)) {
            *supported = entries_[i].supported;
            *enabled = entries_[i].enabled;
            return S_OK;
        }
    return E_NOINTERFACE;
}

HRESULT STDMETHODCALLTYPE ObjectSafety2::SetInterfaceSafetyOptions(REFIID iid, DWORD mask, DWORD options) {
    for (LONG i = 0; i < count_; ++i) {
        Entry& e = entries_[i];
        if (!IsEqualIID(e.iid, iid)) continue;
        if (options & mask & ~e.supported) return E_FAIL;
        e.enabled = (e.enabled & ~mask) | (options & mask);
        return S_OK;
    }
    if (count_ == Capacity) return E_NOINTERFACE;
    entries_[count_++] = Entry{iid, mask, options & mask};
    return S_OK;
}
