#include <WidePath.h>

#include <windows.h>

#include <TextCodec.h>
#include <refs.h>

namespace TAXDK {
namespace Standard {

static bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

bool IsAbsolutePath(const wchar_t* path) {
    if (!NotEmpty(path)) return false;
    if (IsSeparator(path[0])) return true;
    wchar_t c = path[0];
    bool letter = (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
    return letter && path[1] == L':' && IsSeparator(path[2]);
}

basic_text<wchar_t> ExpEnv(const wchar_t* text) {
    if (!text) return basic_text<wchar_t>(L"");
    // The usual name holds no reference: no copy piece by piece.
    if (!wcschr(text, L'%')) return basic_text<wchar_t>(text);
    basic_text<wchar_t> out(L"");
    const wchar_t* done = text;  // start of the text not yet copied
    const wchar_t* p = text;
    while ((p = wcschr(p, L'%')) != nullptr) {
        const wchar_t* end = wcschr(p + 1, L'%');
        if (!end) break;
        basic_text<wchar_t> name(p + 1, end - p - 1);
        DWORD size = name.empty() ? 0 : GetEnvironmentVariableW(name, nullptr, 0);
        aptr<wchar_t> value(size ? new wchar_t[size] : nullptr);
        DWORD got = size ? GetEnvironmentVariableW(name, value.get(), size) : 0;
        if (got == 0 || got >= size) {
            p = end + 1;  // not set: the reference stays as it stands, as the system leaves it
            continue;
        }
        out += basic_text<wchar_t>(done, p - done);
        out += value.get();
        done = p = end + 1;
    }
    return out + done;
}

basic_text<wchar_t> FullPath(const wchar_t* path) {
    wchar_t small[MAX_PATH];
    DWORD n = GetFullPathNameW(path, MAX_PATH, small, nullptr);
    if (n == 0) return basic_text<wchar_t>(path);
    if (n < MAX_PATH) return basic_text<wchar_t>(small, n);
    aptr<wchar_t> buf(new wchar_t[n]);
    DWORD got = GetFullPathNameW(path, n, buf.get(), nullptr);
    return got > 0 && got < n ? basic_text<wchar_t>(buf.get(), got) : basic_text<wchar_t>(path);
}

basic_text<wchar_t> AnsiWide(const char* text) {
    CoString wide;
    CodePageText(CP_ACP, text ? text : "", Length(text), wide);
    return basic_text<wchar_t>(wide.get(), SysStringLen(wide.get()));
}

}  // namespace Standard
}  // namespace TAXDK
