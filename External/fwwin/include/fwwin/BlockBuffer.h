// Contiguous storage of fixed-size elements that grows in steps of whole
// blocks. The containers read count, size and data directly.
#pragma once

#include <stddef.h>

class BlockBuffer {
public:
    BlockBuffer(int elementSize, int blockStep);
    ~BlockBuffer();
    BlockBuffer(const BlockBuffer&) = delete;
    BlockBuffer& operator=(const BlockBuffer&) = delete;

    // Address of element i (no bounds check).
    void* operator[](int i) const { return data + static_cast<size_t>(i) * size; }

    // Inserts count elements at index (clamped to the end), copied from source
    // or zero-filled when source is null. False when the storage cannot grow;
    // the buffer is then unchanged.
    bool InsertBlocks(const void* source, int index, int count);
    // Removes count elements from index; -1 removes to the end. Returns how
    // many were removed.
    int DeleteBlocks(int index, int count);

    int count;      // elements held
    int size;       // bytes per element
    char* data;     // contiguous storage, null while empty

private:
    bool Reserve(int elements);
    int step_;      // elements added per growth
    int capacity_;  // elements that fit in data
};
