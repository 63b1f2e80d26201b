#include <fwwin/Text.h>

#include <string.h>

static bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

char* trim(char* buffer) {
    if (!buffer) return buffer;
    while (IsBlank(*buffer)) ++buffer;
    size_t n = strlen(buffer);
    while (n > 0 && IsBlank(buffer[n - 1])) buffer[--n] = 0;
    return buffer;
}

int searchpos(const void* key, const void* array, int count, int elementSize, int mode,
              SearchCompare compare) {
    const char* base = static_cast<const char*>(array);
    int lo = 0, hi = count;
    while (lo < hi) {
        int mid = lo + (hi - lo) / 2;
        int c = compare(key, base + static_cast<size_t>(mid) * elementSize);
        if (c > 0 || (c == 0 && (mode & SearchAfterEqual)))
            lo = mid + 1;
        else
            hi = mid;
    }
    if (mode & SearchUnique) {
        // An equal element sits just before an upper bound or at a lower bound.
        int near = (mode & SearchAfterEqual) ? lo - 1 : lo;
        if (near >= 0 && near < count && compare(key, base + static_cast<size_t>(near) * elementSize) == 0)
            return -1;
    }
    return lo;
}
