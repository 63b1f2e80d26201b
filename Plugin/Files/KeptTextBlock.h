// KeptTextBlock: the memory of the last long text that aRvik.FileRead
// handed to the host, kept for the next read. The host copies a text it is
// given, so the block is free again once the command has handed it over;
// and memory fresh from the system costs a page fault at the first write
// to each 4 KiB, which under Wine costs more than reading and converting a
// text of megabytes. One block of at most maxUnits is kept, as long as
// its owner lives; reads at the same time take fresh blocks.
#pragma once

#include <windows.h>
#include <oleauto.h>

class KeptTextBlock {
public:
    static const size_t maxUnits = 8u << 20;  // 16 MiB

    KeptTextBlock();
    ~KeptTextBlock();
    KeptTextBlock(const KeptTextBlock&) = delete;
    KeptTextBlock& operator=(const KeptTextBlock&) = delete;

    // A BSTR of length units, terminated, its units unset, for the caller
    // to free or give back: the kept block when it holds that many (its
    // length then reads as length), else a new one. Null when no memory is
    // left.
    BSTR Take(size_t length);
    // text (any BSTR; null is nothing) taken over from the caller: kept, as
    // long as its length reads, when no block as long is kept and it is
    // within maxUnits; else freed.
    void Give(BSTR text);

private:
    SRWLOCK lock_;
    BSTR kept_ = nullptr;
    size_t keptUnits_ = 0;
};
