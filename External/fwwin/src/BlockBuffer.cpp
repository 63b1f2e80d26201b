#include <fwwin/BlockBuffer.h>

#include <stdlib.h>
#include <string.h>

BlockBuffer::BlockBuffer(int elementSize, int blockStep)
    : count(0), size(elementSize), data(nullptr), step_(blockStep > 0 ? blockStep : 1), capacity_(0) {}

BlockBuffer::~BlockBuffer() { free(data); }

bool BlockBuffer::Reserve(int elements) {
    if (elements <= capacity_) return true;
    long long blocks = (static_cast<long long>(elements) + step_ - 1) / step_;
    long long want = blocks * step_;
    if (want > 0x7FFFFFFF / size) return false;
    char* grown = static_cast<char*>(realloc(data, static_cast<size_t>(want) * size));
    if (!grown) return false;
    data = grown;
    capacity_ = static_cast<int>(want);
    return true;
}

bool BlockBuffer::InsertBlocks(const void* source, int index, int n) {
    if (n <= 0) return n == 0;
    if (index < 0 || index > count) index = count;
    if (count > 0x7FFFFFFF - n || !Reserve(count + n)) return false;
    char* at = data + static_cast<size_t>(index) * size;
    memmove(at + static_cast<size_t>(n) * size, at, static_cast<size_t>(count - index) * size);
    if (source)
        memcpy(at, source, static_cast<size_t>(n) * size);
    else
        memset(at, 0, static_cast<size_t>(n) * size);
    count += n;
    return true;
}

int BlockBuffer::DeleteBlocks(int index, int n) {
    if (index < 0 || index >= count) return 0;
    if (n < 0 || n > count - index) n = count - index;
    char* at = data + static_cast<size_t>(index) * size;
    memmove(at, at + static_cast<size_t>(n) * size, static_cast<size_t>(count - index - n) * size);
    count -= n;
    return n;
}
