#include "Files/FileFailures.h"

#include <fwbase/Format.h>

#include "Files/FileName.h"

string FileFailureReason(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return "файл не найден";
    case ERROR_ACCESS_DENIED:
        return "нет доступа";
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return "файл занят";
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return "файл назначения уже есть";
    case ERROR_DIR_NOT_EMPTY:
        return "папка не пуста";
    default:
        return FormatBuffer(32, "ошибка %lu", error);
    }
}

FileException FileFailure(const char* action, const char* reason, const wchar_t* name) {
    return FileException(string("Не удалось ") + action + " (" + reason + "): ", AnsiName(name));
}

FileException FileFailure(const char* action, DWORD error, const wchar_t* name) {
    return FileFailure(action, FileFailureReason(error), name);
}

FileException NameRefusal(const char* action, const char* reason, const char* property, const string& shown) {
    string text = FileFailure(action, reason, L"").Text();
    return FileException(text, string(property) + "=" + shown.c_str());
}
