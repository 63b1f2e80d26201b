#include "Files/NameMask.h"

#include <windows.h>

#include <wchar.h>

static bool IsPair(const wchar_t* at, const wchar_t* end) {
    return at + 1 < end && at[0] >= 0xD800 && at[0] <= 0xDBFF && at[1] >= 0xDC00 && at[1] <= 0xDFFF;
}

// The characters a name is stored with, upper-cased as the file system
// compares them; length at most count.
static void Upper(const wchar_t* text, size_t length, wchar_t* to) {
    if (length && LCMapStringW(LOCALE_INVARIANT, LCMAP_UPPERCASE, text, int(length), to, int(length)) == int(length))
        return;
    wmemcpy(to, text, length);
}

NameMask::NameMask(const wchar_t* mask) {
    size_t n = wcslen(mask);
    bool dot = false;
    while (n > 0 && (mask[n - 1] == L'.' || mask[n - 1] == L' ')) dot |= mask[--n] == L'.';
    Upper(mask, n, mask_.Room(n));
    mask_.Grow(n);
    dotless_ = dot && n > 0 && mask[n - 1] == L'*';
    all_ = !dotless_ && n > 0 && wcsspn(mask, L"*") >= n;
}

// Whether the mask [m, mEnd) matches the name [n, nEnd): from the left,
// going back to the last "*" seen when a character does not fit, that "*"
// then taking one character more.
static bool Match(const wchar_t* m, const wchar_t* mEnd, const wchar_t* n, const wchar_t* nEnd) {
    const wchar_t *starM = nullptr, *starN = nullptr;
    while (n < nEnd) {
        if (m < mEnd && *m == L'*') {
            starM = ++m;
            starN = n;
        } else if (m < mEnd && (*m == L'?' || *m == *n)) {
            n += *m == L'?' && IsPair(n, nEnd) ? 2 : 1;
            ++m;
        } else if (starM) {
            starN += IsPair(starN, nEnd) ? 2 : 1;
            m = starM;
            n = starN;
        } else {
            return false;
        }
    }
    while (m < mEnd && *m == L'*') ++m;
    return m == mEnd;
}

bool NameMask::Matches(const wchar_t* name, size_t length) const {
    if (all_) return true;
    wchar_t small[MAX_PATH];
    Buffer<wchar_t> large;
    wchar_t* upper = length <= MAX_PATH ? small : large.Room(length);
    Upper(name, length, upper);
    const wchar_t *m = mask_.Data(), *mEnd = m + mask_.Size(), *end = upper + length;
    if (!dotless_) return Match(m, mEnd, upper, end);
    // The last "*" takes no dot: it matches a run after the name's last
    // dot, the rest of the mask all before it.
    const wchar_t* after = upper;
    for (const wchar_t* p = upper; p < end; ++p)
        if (*p == L'.') after = p + 1;
    for (size_t cut = length; cut >= size_t(after - upper); --cut) {
        if (Match(m, mEnd - 1, upper, upper + cut)) return true;
        if (cut == 0) break;
    }
    return false;
}
