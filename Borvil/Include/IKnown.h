// IKnown<T>: IUnknown for an object implementing interface T, with an
// interlocked reference count that starts at 1 (the creator's reference).
// The last Release deletes the object through its virtual destructor.
#pragma once

#include <windows.h>
#include <unknwn.h>

template <class T>
class IKnown : public T {
public:
    IKnown() : refs_(1) {}
    IKnown(const IKnown&) = delete;
    IKnown& operator=(const IKnown&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_INVALIDARG;
        if (IsEqualIID(iid, __uuidof(IUnknown)) || IsEqualIID(iid, __uuidof(T))) {
            *out = static_cast<T*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&refs_); }
    ULONG STDMETHODCALLTYPE Release() override {
        LONG n = InterlockedDecrement(&refs_);
        if (n == 0) delete this;
        return n;
    }

    // Declared after the interface's operations: its two table entries
    // follow them.
    virtual ~IKnown() {}

private:
    volatile LONG refs_;
};
