#include "Files/NameOrder.h"

#include <string.h>

#include <algorithm>

#include <Buffer.h>

DWORD SortNames(const wchar_t* const* names, size_t count, size_t* order) {
    LCID locale = GetThreadLocale();
    Buffer<BYTE> keys;
    Buffer<size_t> keyAt;
    keyAt.Room(count + 1);
    keyAt.Grow(count + 1);
    BYTE key[2048];
    for (size_t i = 0; i < count; ++i) {
        const wchar_t* name = names[i];
        keyAt.Data()[i] = keys.Size();
        int size = LCMapStringW(locale, LCMAP_SORTKEY | NORM_IGNORECASE, name, -1, reinterpret_cast<wchar_t*>(key),
                                sizeof key);
        if (size > 0) {
            keys.Append(key, size);
            continue;
        }
        size = LCMapStringW(locale, LCMAP_SORTKEY | NORM_IGNORECASE, name, -1, nullptr, 0);
        if (size <= 0) return GetLastError();
        LCMapStringW(locale, LCMAP_SORTKEY | NORM_IGNORECASE, name, -1, reinterpret_cast<wchar_t*>(keys.Room(size)),
                     size);
        keys.Grow(size);
    }
    for (size_t i = 0; i < count; ++i) order[i] = i;
    if (!count) return 0;
    keyAt.Data()[count] = keys.Size();
    const BYTE* k = keys.Data();
    const size_t* at = keyAt.Data();
    std::sort(order, order + count, [&](size_t a, size_t b) {
        size_t la = at[a + 1] - at[a], lb = at[b + 1] - at[b];
        int c = memcmp(k + at[a], k + at[b], la < lb ? la : lb);
        if (c == 0 && la != lb) return la < lb;
        return c != 0 ? c < 0 : wcscmp(names[a], names[b]) < 0;
    });
    return 0;
}
