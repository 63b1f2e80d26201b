#include <fwbase/Co.h>

#include <string.h>

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

char* newstr(const wchar_t* text) {
    if (!text) return nullptr;
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
