// Buffer<C>: a growable, owned run of bytes or characters that may hold
// zeros, for file contents and program output. Growth at least doubles the
// room, so appending stays linear.
#pragma once

#include <string.h>

#include <refs.h>

template <class C>
class Buffer {
public:
    Buffer() : size_(0), room_(0) {}
    Buffer(const Buffer&) = delete;
    Buffer& operator=(const Buffer&) = delete;

    C* Data() const { return data_.get(); }
    size_t Size() const { return size_; }

    // Room for at least more elements after the last; gives the first free one.
    C* Room(size_t more) {
        if (more > room_ - size_) {
            size_t room = room_ * 2 > size_ + more ? room_ * 2 : size_ + more;
            C* grown = new C[room];
            if (size_) memcpy(grown, data_.get(), size_ * sizeof(C));
            data_ = grown;
            room_ = room;
        }
        return data_.get() + size_;
    }
    // Counts n elements written into Room.
    void Grow(size_t n) { size_ += n; }
    // Empty again; the room stays.
    void Clear() { size_ = 0; }
    void Append(const C* data, size_t n) {
        if (!n) return;
        memcpy(Room(n), data, n * sizeof(C));
        size_ += n;
    }

private:
    aptr<C> data_;
    size_t size_, room_;
};
