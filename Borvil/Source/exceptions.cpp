#include <exceptions.h>

#include <fwbase/Format.h>

static string WindowsErrorText(DWORD code, const string& file, unsigned line) {
    string text = FormatBuffer(256, "Windows system call error %i (%08X) at \"", static_cast<int>(code),
                               static_cast<unsigned>(code));
    text += file;
    text += "\":";
    return text + FormatBuffer(256, "%i", static_cast<int>(line));
}

WindowsError::WindowsError(DWORD code, const string& file, unsigned line)
    : KelmirException(WindowsErrorText(code, file, line)), code_(code), file_(file), line_(line) {}

void CheckErrorCode(LONG code, const char* file, unsigned line) {
    if (code != 0) throw WindowsError(static_cast<DWORD>(code), file, line);
}

bool CheckFileHandle(HANDLE handle, const char* name, const char* file, unsigned line) {
    if (handle && handle != INVALID_HANDLE_VALUE) return true;
    DWORD error = GetLastError();
    if (error == ERROR_PATH_NOT_FOUND || error == ERROR_ACCESS_DENIED) throw FileWriteError(error, name);
    throw WindowsError(error, file, line);
}

FileException FileWriteError(DWORD error, const string& name) {
    if (error == ERROR_PATH_NOT_FOUND) return FileException("Не удалось записать файл (путь не найден): ", name);
    if (error == ERROR_ACCESS_DENIED) return FileException("Не удалось записать файл (нет доступа): ", name);
    return FileException(FormatBuffer(256, "Не удалось записать файл (ошибка %lu): ", error), name);
}
