// co<I>: holds one COM interface pointer, or null.
//
// Made from a bare pointer it adopts it without taking a reference (a new
// object's count is already 1); copies take a reference; assignment takes
// the new reference before releasing the old; destruction releases.
// Query asks a source object for an interface and throws the CoError family
// (through CoCallEx) when it is refused; a null source gives an empty holder.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include <FixedPositions.h>
#include <fwbase/Co.h>

// CoCallEx at an entry of the table of fixed positions.
inline void CoCallEx(HRESULT result, HMODULE module, const FixedPosition& at) {
    CoCallEx(result, module, at.file, static_cast<int>(at.line));
}

// The module whose code is running; CoCallEx names it in its reason.
extern "C" IMAGE_DOS_HEADER __ImageBase;
inline HMODULE CoModule() { return reinterpret_cast<HMODULE>(&__ImageBase); }

template <class I>
class co {
public:
    co() : p_(nullptr) {}
    explicit co(I* adopted) : p_(adopted) {}
    co(const co& other) : p_(other.p_) {
        if (p_) p_->AddRef();
    }
    co(co&& other) noexcept : p_(other.p_) { other.p_ = nullptr; }
    ~co() { Release(); }

    co& operator=(const co& other) {
        I* p = other.p_;
        if (p) p->AddRef();
        I* old = p_;
        p_ = p;
        if (old) old->Release();
        return *this;
    }
    co& operator=(co&& other) noexcept {
        if (this != &other) {
            I* old = p_;
            p_ = other.p_;
            other.p_ = nullptr;
            if (old) old->Release();
        }
        return *this;
    }

    I* get() const { return p_; }
    I* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

    // Empties the holder and gives its slot for an out parameter.
    I** Out() {
        Release();
        return &p_;
    }
    void Release() {
        I* old = p_;
        p_ = nullptr;
        if (old) old->Release();
    }
    // Gives up the reference without releasing it.
    I* Detach() {
        I* p = p_;
        p_ = nullptr;
        return p;
    }

    // Replaces what is held by source's interface iid.
    void Query(IUnknown* source, REFIID iid = __uuidof(I)) {
        Release();
        if (!source) return;
        void* out = nullptr;
        HRESULT hr = source->QueryInterface(iid, &out);
        if (FAILED(hr)) out = nullptr;
        p_ = static_cast<I*>(out);
        CoCallEx(hr, CoModule(), FixedAt::kCoQuery);
    }
    static co From(IUnknown* source, REFIID iid = __uuidof(I)) {
        co result;
        result.Query(source, iid);
        return result;
    }

private:
    I* p_;
};
