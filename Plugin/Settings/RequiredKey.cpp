#include "Settings/RequiredKey.h"

#include <string.h>

#include <checks.h>
#include <exceptions.h>
#include <fwbase/Format.h>
#include <fwwin/RegKey.h>

static const char* RootName(HKEY root) {
    if (root == HKEY_CLASSES_ROOT) return "HKEY_CLASSES_ROOT\\";
    if (root == HKEY_CURRENT_USER) return "HKEY_CURRENT_USER\\";
    if (root == HKEY_LOCAL_MACHINE) return "HKEY_LOCAL_MACHINE\\";
    if (root == HKEY_USERS) return "HKEY_USERS\\";
    return "";
}

RequiredKey::RequiredKey(HKEY root, const char* path, bool create, REGSAM access) {
    // What a failed call may have left in the owner is no key: detached.
    LONG error = RegOpenKeyExA(root, path, 0, access, key_.Put());
    if (error == ERROR_FILE_NOT_FOUND && create) {
        key_.Detach();
        error = RegCreateKeyExA(root, path, 0, nullptr, 0, access, nullptr, key_.Put(), nullptr);
    }
    if (error == ERROR_SUCCESS) return;
    key_.Detach();
    throw ResourceException(FormatBuffer(256, "Не удалось открыть раздел реестра (ошибка %lu): ",
                                         static_cast<unsigned long>(error)),
                            string(RootName(root)) + (path ? path : ""));
}

string RequiredKey::Text(const char* name) const { return RegKey(Get())[name].Text(); }

DWORD RequiredKey::Number(const char* name) const { return RegKey(Get())[name].Number(); }

bool RequiredKey::Has(const char* name) const { return RegKey(Get())[name].Valid(); }

void RequiredKey::Write(const char* name, const char* text) const { WriteValue(Get(), name, text); }

void RequiredKey::Write(const char* name, DWORD number) const { WriteValue(Get(), name, number); }

void RequiredKey::Remove(const char* name) const { RemoveValue(Get(), name); }

void WriteValue(HKEY key, const char* name, const char* text) {
    if (!key) THROW_WIN32(ERROR_INVALID_HANDLE);
    if (!text) text = "";
    DWORD size = static_cast<DWORD>(strlen(text) + 1);
    THROW_IF_WIN32_ERROR(RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), size));
}

void WriteValue(HKEY key, const char* name, DWORD number) {
    if (!key) THROW_WIN32(ERROR_INVALID_HANDLE);
    THROW_IF_WIN32_ERROR(
        RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number));
}

void RemoveValue(HKEY key, const char* name) {
    if (!key) THROW_WIN32(ERROR_INVALID_HANDLE);
    LONG error = RegDeleteValueA(key, name);
    if (error != ERROR_FILE_NOT_FOUND) THROW_IF_WIN32_ERROR(error);
}

DWORD ValueType(HKEY key, const char* name) {
    DWORD type = REG_NONE;
    if (!key || RegQueryValueExA(key, name, nullptr, &type, nullptr, nullptr) != ERROR_SUCCESS) return REG_NONE;
    return type;
}
