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

FileException FileWriteError(DWORD error, const string& name) {
    if (error == ERROR_PATH_NOT_FOUND) return FileException("Не удалось записать файл (путь не найден): ", name);
    if (error == ERROR_ACCESS_DENIED) return FileException("Не удалось записать файл (нет доступа): ", name);
    return FileException(FormatBuffer(256, "Не удалось записать файл (ошибка %lu): ", error), name);
}
