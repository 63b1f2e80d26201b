#include <fwbase/Path.h>

#include <shlobj.h>

static bool IsSeparator(char c) { return c == '\\' || c == '/'; }

string GetModuleFileNameA(HMODULE module) {
    for (DWORD size = MAX_PATH;; size *= 2) {
        char* buf = new char[size];
        DWORD n = ::GetModuleFileNameA(module, buf, size);
        if (n == 0) buf[0] = 0;
        if (n < size) return string::Adopt(buf);
        delete[] buf;  // truncated: try a larger buffer
    }
}

string GetFileName(const char* path) {
    size_t n = Length(path), i = n;
    while (i > 0 && !IsSeparator(path[i - 1])) --i;
    return string(path ? path + i : "");
}

string GetParentPath(const char* path) {
    size_t i = Length(path);
    while (i > 0 && !IsSeparator(path[i - 1])) --i;
    return string(path ? path : "", i);
}

string MakePathSpec(const char* folder) {
    size_t n = Length(folder);
    while (n > 0 && IsSeparator(folder[n - 1])) --n;
    if (n == 0) return string(NotEmpty(folder) ? "\\" : "");
    return string(folder, n) + "\\";
}

bool IsAbsolutePath(const char* path) {
    if (!NotEmpty(path)) return false;
    if (IsSeparator(path[0])) return true;
    char c = path[0];
    bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    return letter && path[1] == ':' && IsSeparator(path[2]);
}

bool CreatePath(const char* folder, SECURITY_ATTRIBUTES* security) {
    if (!NotEmpty(folder)) return false;
    // The usual case, a folder that is there, costs one look instead of an
    // attempt at every level.
    DWORD found = GetFileAttributesA(folder);
    if (found != INVALID_FILE_ATTRIBUTES && (found & FILE_ATTRIBUTE_DIRECTORY)) return true;
    string path = MakePathSpec(folder);
    char* p = const_cast<char*>(path.c_str());  // our own copy
    size_t n = path.length();
    // Skip the root ("X:\" or "\\server\share\") before creating parts.
    size_t start = 0;
    if (n >= 2 && IsSeparator(p[0]) && IsSeparator(p[1])) {
        int seps = 0;
        for (start = 2; start < n && seps < 2; ++start)
            if (IsSeparator(p[start])) ++seps;
    } else if (n >= 3 && p[1] == ':') {
        start = 3;
    } else if (IsSeparator(p[0])) {
        start = 1;
    }
    for (size_t i = start; i < n; ++i) {
        if (!IsSeparator(p[i])) continue;
        char keep = p[i];
        p[i] = 0;
        if (!CreateDirectoryA(p, security) && GetLastError() != ERROR_ALREADY_EXISTS) {
            DWORD attrs = GetFileAttributesA(p);
            if (attrs == INVALID_FILE_ATTRIBUTES || !(attrs & FILE_ATTRIBUTE_DIRECTORY)) {
                p[i] = keep;
                return false;
            }
        }
        p[i] = keep;
    }
    DWORD attrs = GetFileAttributesA(p);
    return attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_DIRECTORY);
}

string GetSpecialFolderPath(HWND owner, int csidl) {
    char buf[MAX_PATH];
    if (FAILED(SHGetFolderPathA(owner, csidl, nullptr, SHGFP_TYPE_CURRENT, buf))) return string("");
    return string(buf);
}

string ExpEnv(const char* text) {
    if (!text) return string();
    string out("");
    const char* done = text;  // start of the text not yet copied
    const char* p = text;
    while ((p = strchr(p, '%')) != nullptr) {
        const char* end = strchr(p + 1, '%');
        if (!end) break;
        string name(p + 1, end - p - 1);
        DWORD size = name.empty() ? 0 : GetEnvironmentVariableA(name, nullptr, 0);
        if (size == 0) {
            p = end + 1;  // not set: the reference stays as it stands, as the system leaves it
            continue;
        }
        char* value = new char[size];
        aptr<char> keep(value);
        DWORD got = GetEnvironmentVariableA(name, value, size);
        if (got == 0 || got >= size) {
            p = end + 1;
            continue;
        }
        out += string(done, p - done);
        out += value;
        done = p = end + 1;
    }
    return out + done;
}
