#include <checks.h>

#include <string.h>

string SourcePosition(const char* path) {
    if (!path) return string("");
    // The host extension kit names its files from below its source folders.
    static const char* const kitFolders[] = {"xdk/Source/", "xdk/Include/"};
    for (const char* folder : kitFolders) {
        size_t n = strlen(folder);
        if (strncmp(path, folder, n) == 0) {
            path += n;
            break;
        }
    }
    const char* dot = strrchr(path, '.');
    const char* slash = strrchr(path, '/');
    size_t length = dot && (!slash || dot > slash) ? static_cast<size_t>(dot - path) : strlen(path);
    return string(path, length);
}

void ThrowWindowsError(DWORD code, const char* path, unsigned line) {
    throw WindowsError(code, SourcePosition(path), line);
}

bool CheckFileHandle(HANDLE handle, const char* name, const char* path, unsigned line) {
    if (handle && handle != INVALID_HANDLE_VALUE) return true;
    DWORD error = GetLastError();
    if (error == ERROR_PATH_NOT_FOUND || error == ERROR_ACCESS_DENIED) throw FileWriteError(error, name);
    ThrowWindowsError(error, path, line);
}
