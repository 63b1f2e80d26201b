#include <fwbase/Co.h>

#include <fwbase/Exception.h>
#include <fwbase/Format.h>
#include <fwbase/Path.h>

void CoCallEx(HRESULT result, HMODULE module, const char* file, int line) {
    if (SUCCEEDED(result)) return;
    string reason = FormatBuffer(256, "COM call error %i (%08X) at \"", static_cast<int>(result),
                                 static_cast<unsigned>(result));
    reason += file;
    reason += FormatBuffer(256, "\":%i in \"", line);
    reason += GetFileName(GetModuleFileNameA(module));
    reason += "\"";
    throw CoError(result, reason);
}

CoString::CoString(const char* text) : s_(nullptr) {
    if (!text) return;
    int n = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    s_ = SysAllocStringLen(nullptr, n > 0 ? n - 1 : 0);
    if (s_ && n > 1) MultiByteToWideChar(CP_ACP, 0, text, -1, s_, n);
}

// True when every character of the ANSI code page is one byte; the code
// page does not change while the process runs.
static bool SingleByteCodePage() {
    static const bool single = [] {
        CPINFO info;
        return GetCPInfo(CP_ACP, &info) && info.MaxCharSize == 1;
    }();
    return single;
}

char* newstr(const wchar_t* text) {
    if (!text) return nullptr;
    size_t length = wcslen(text) + 1;
    // One byte per character: converted in one pass, without measuring.
    if (SingleByteCodePage() && length <= 0x7FFFFFFF) {
        char* out = new char[length];
        int n = static_cast<int>(length);
        if (WideCharToMultiByte(CP_ACP, 0, text, n, out, n, nullptr, nullptr) <= 0) out[0] = 0;
        return out;
    }
    int n = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
    char* out = new char[n > 0 ? n : 1];
    out[0] = 0;
    if (n > 0) WideCharToMultiByte(CP_ACP, 0, text, -1, out, n, nullptr, nullptr);
    return out;
}

char* newstr(const char* text) {
    if (!text) return nullptr;
    size_t n = strlen(text) + 1;
    char* out = new char[n];
    memcpy(out, text, n);
    return out;
}
