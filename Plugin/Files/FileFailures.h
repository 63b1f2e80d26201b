// The texts of the file commands' failures, in the style of the file
// texts before them: "Не удалось <действие> (<причина>): " and the name.
#pragma once

#include <windows.h>

#include <exceptions.h>

// The reason the system's error gives: "файл не найден" for a missing
// file or folder, "нет доступа", "файл занят" for one another program
// holds, "файл назначения уже есть", "папка не пуста", otherwise
// "ошибка N".
string FileFailureReason(DWORD error);

// FileException "Не удалось " + action + " (" + reason + "): " and name,
// e.g. FileFailure("удалить файл", ERROR_ACCESS_DENIED, name).
FileException FileFailure(const char* action, DWORD error, const wchar_t* name);
// The same with a reason of its own.
FileException FileFailure(const char* action, const char* reason, const wchar_t* name);
// A name refused before anything is done (a device, a stream):
// FileException "Не удалось " + action + " (" + reason + "): " and the
// property with "=" and its value as shown (ShownText), e.g. "Не удалось
// прочитать файл (это устройство): aRvik.FileName=fz\aux".
FileException NameRefusal(const char* action, const char* reason, const char* property, const string& shown);
