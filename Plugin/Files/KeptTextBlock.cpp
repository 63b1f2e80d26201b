#include "Files/KeptTextBlock.h"

// Makes text read as length units long: a BSTR's length is the byte count
// just before its first unit.
static void SetLength(BSTR text, size_t length) {
    reinterpret_cast<UINT*>(text)[-1] = static_cast<UINT>(length * sizeof(wchar_t));
    text[length] = 0;
}

KeptTextBlock::KeptTextBlock() { InitializeSRWLock(&lock_); }

KeptTextBlock::~KeptTextBlock() { SysFreeString(kept_); }

BSTR KeptTextBlock::Take(size_t length) {
    AcquireSRWLockExclusive(&lock_);
    BSTR text = nullptr;
    if (kept_ && keptUnits_ >= length) {
        text = kept_;
        kept_ = nullptr;
    }
    ReleaseSRWLockExclusive(&lock_);
    // The block may be longer: it then reads as shorter, here and when given back.
    if (text) SetLength(text, length);
    else if (length <= 0x7FFFFFFE) text = SysAllocStringLen(nullptr, static_cast<UINT>(length));
    return text;
}

void KeptTextBlock::Give(BSTR text) {
    if (!text) return;
    size_t units = SysStringLen(text);
    BSTR unused = text;
    AcquireSRWLockExclusive(&lock_);
    if (units <= maxUnits && (!kept_ || units > keptUnits_)) {
        unused = kept_;
        kept_ = text;
        keptUnits_ = units;
    }
    ReleaseSRWLockExclusive(&lock_);
    SysFreeString(unused);
}
