// Reference counts and owning pointers: the building blocks of the shared
// text buffers and of every owning container.
//
//   uref      polymorphic base with an interlocked reference count (starts at 0)
//   ptr<T>    owns one T, deleted with scalar delete
//   aptr<T>   owns a T array, deleted with array delete
//   rptr<T>   a counted, shared owner of one T (uref + ptr)
//   arptr<T>  a counted, shared owner of a T array (uref + aptr)
//   aref<T>   handle to a shared arptr<T>; never null, even when empty
//
// Owning pointers release by exchanging in null with an interlocked
// exchange, so a double release deletes once.
#pragma once

#include <windows.h>

class uref {
public:
    uref() : count_(0) {}
    virtual ~uref() {}

    LONG AddRef() { return InterlockedIncrement(&count_); }
    // Deletes the object when the last reference goes.
    LONG Release() {
        LONG n = InterlockedDecrement(&count_);
        if (n == 0) delete this;
        return n;
    }
    LONG RefCount() const { return count_; }

protected:
    uref(const uref&) : count_(0) {}
    uref& operator=(const uref&) { return *this; }

private:
    volatile LONG count_;
};

struct ScalarDelete {
    template <class T> static void Free(T* p) { delete p; }
};
struct ArrayDelete {
    template <class T> static void Free(T* p) { delete[] p; }
};

// One owned pointer over a deletion policy. Not copyable.
template <class T, class Deleter = ScalarDelete>
class ptr {
public:
    explicit ptr(T* p = nullptr) : p_(p) {}
    ~ptr() { Release(); }
    ptr(const ptr&) = delete;
    ptr& operator=(const ptr&) = delete;

    // Deletes the held object, if any; safe to call twice.
    void Release() {
        T* old = Exchange(nullptr);
        if (old) Deleter::Free(old);
    }
    // Takes p over; the old object is deleted unless it is p itself.
    ptr& operator=(T* p) {
        T* old = Exchange(p);
        if (old && old != p) Deleter::Free(old);
        return *this;
    }
    // Gives up ownership without deleting.
    T* Detach() { return Exchange(nullptr); }

    T* get() const { return p_; }
    T* operator->() const { return p_; }
    T& operator*() const { return *p_; }
    explicit operator bool() const { return p_ != nullptr; }

private:
    T* Exchange(T* p) {
        return static_cast<T*>(InterlockedExchangePointer(
            reinterpret_cast<PVOID volatile*>(&p_), const_cast<void*>(static_cast<const void*>(p))));
    }
    T* volatile p_;
};

template <class T>
class aptr : public ptr<T, ArrayDelete> {
public:
    explicit aptr(T* p = nullptr) : ptr<T, ArrayDelete>(p) {}
    using ptr<T, ArrayDelete>::operator=;
    T& operator[](size_t i) const { return this->get()[i]; }
};

// A shared, counted array: deleted by the last Release of uref.
template <class T>
class arptr : public uref, public aptr<T> {
public:
    explicit arptr(T* p = nullptr) : aptr<T>(p) {}
    using uref::Release;  // the count's release; the array goes with the object
};

// A shared, counted object: deleted by the last Release of uref.
template <class T>
class rptr : public uref, public ptr<T> {
public:
    explicit rptr(T* p = nullptr) : ptr<T>(p) {}
    using uref::Release;  // the count's release; the object goes with it
};

// Handle to a shared array. The empty value points to one process-wide
// arptr whose array pointer is null; that buffer is never freed.
template <class T>
class aref {
public:
    aref() : r_(Empty()) { r_->AddRef(); }
    // Adopts a newly made array (may be null).
    explicit aref(T* adopt) : r_(adopt ? new arptr<T>(adopt) : Empty()) { r_->AddRef(); }
    aref(const aref& other) : r_(other.r_) { r_->AddRef(); }
    ~aref() { r_->Release(); }

    // Takes the other buffer first, so self-assignment is safe.
    aref& operator=(const aref& other) {
        arptr<T>* mine = r_;
        other.r_->AddRef();
        r_ = other.r_;
        mine->Release();
        return *this;
    }

    T* get() const { return r_->get(); }
    // True when both handles share one buffer.
    bool SameBuffer(const aref& other) const { return r_ == other.r_; }
    LONG RefCount() const { return r_->RefCount(); }

private:
    static arptr<T>* Empty() {
        static arptr<T>* empty = [] {
            arptr<T>* e = new arptr<T>();
            e->AddRef();  // held for the life of the process
            return e;
        }();
        return empty;
    }
    arptr<T>* r_;
};
