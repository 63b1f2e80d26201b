// Pointer vectors over one contiguous BlockBuffer.
//
//   vec<T*>   never owns its pointees
//   ivec<T>   deletes removed and replaced elements when its owns flag is set
//
// Indices are ints; -1 (or any index beyond the count) given to Insert means
// the end. One container is not safe for concurrent modification: its owner
// serialises access.
#pragma once

#include <stdlib.h>

#include <fwwin/BlockBuffer.h>
#include <fwwin/Text.h>

template <class P> class vec;

template <class T>
class vec<T*> {
public:
    vec() : buf_(sizeof(T*), 16) {}
    virtual ~vec() { buf_.DeleteBlocks(0, -1); }
    vec(const vec&) = delete;
    vec& operator=(const vec&) = delete;

    // Removes one element.
    virtual int Delete(int index) { return Delete(index, 1); }
    // Removes count elements from index (-1: to the end); returns how many.
    virtual int Delete(int index, int count) { return buf_.DeleteBlocks(index, count); }
    // Opens a null slot; returns its index, or -1 when the storage cannot grow.
    virtual int Insert(int index) {
        if (index < 0 || index > buf_.count) index = buf_.count;
        return buf_.InsertBlocks(nullptr, index, 1) ? index : -1;
    }

    int Count() const { return buf_.count; }
    T* operator[](int i) const { return Slots()[i]; }
    T* At(int i) const { return Slots()[i]; }
    // The contiguous array of element pointers, null while empty.
    T** Slots() const { return reinterpret_cast<T**>(buf_.data); }

protected:
    void Store(int i, T* p) { Slots()[i] = p; }
    BlockBuffer buf_;
};

template <class T>
class ivec : public vec<T*> {
public:
    explicit ivec(int owns = 1) : owns_(owns) {}
    ~ivec() override { Delete(0, -1); }

    using vec<T*>::Delete;
    // Deletes the owned elements of the range (last to first), then removes it.
    int Delete(int index, int count) override {
        int n = this->Count();
        if (n == 0 || index < 0) return 0;
        if (index > n) index = n;
        if (count < 0 || count > n - index) count = n - index;
        if (owns_)
            for (int i = index + count - 1; i >= index; --i) delete this->At(i);
        return vec<T*>::Delete(index, count);
    }
    int Insert(int index) override { return Insert(index, nullptr); }
    // Inserts element at index; returns the index, or -1 when the storage
    // cannot grow (the caller then still owns element).
    virtual int Insert(int index, T* element) {
        int i = vec<T*>::Insert(index);
        if (i >= 0) this->Store(i, element);
        return i;
    }
    virtual int Add(T* element) { return Insert(-1, element); }
    // Replaces element i, deleting the old one when owned; -1 or an index
    // beyond the end inserts.
    virtual int Set(int index, T* element) {
        if (index < 0 || index >= this->Count()) return Insert(index, element);
        T* old = this->At(index);
        this->Store(index, element);
        if (owns_ && old != element) delete old;
        return index;
    }

    bool Owns() const { return owns_ != 0; }

    // Sorted use, for element types with a static Compare(const void*, const
    // void*) over pointers to element pointers.

    // Inserts a copy of value in order; -1 when an equal one is present.
    int AddSorted(const T& value) {
        const T* probe = &value;
        int at = searchpos(&probe, this->Slots(), this->Count(), sizeof(T*), SearchAfterEqual | SearchUnique, &T::Compare);
        if (at < 0) return -1;
        T* element = new T(value);
        try {
            int i = Insert(at, element);
            if (i < 0) delete element;
            return i;
        } catch (...) {
            delete element;
            throw;
        }
    }
    // Index of the element equal to probe, or -1 (bisection).
    int FindSorted(const T& value) const {
        const T* probe = &value;
        if (this->Count() == 0) return -1;
        void* hit = bsearch(&probe, this->Slots(), this->Count(), sizeof(T*), &T::Compare);
        return hit ? static_cast<int>(static_cast<T**>(hit) - this->Slots()) : -1;
    }

private:
    int owns_;
};
