#include "Settings/RequiredKey.h"

#include <stdlib.h>
#include <string.h>

#include <checks.h>
#include <exceptions.h>
#include <fwbase/Format.h>
#include <refs.h>

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

RequiredKey RequiredKey::Optional(HKEY root, const char* path, REGSAM access) {
    RequiredKey key;
    if (RegOpenKeyExA(root, path, 0, access, key.key_.Put()) != ERROR_SUCCESS) key.key_.Detach();
    return key;
}

bool RequiredKey::Has(const char* name) const {
    return key_ && RegQueryValueExA(key_.get(), name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

// Scripts and docs/failures.md know the lines of these failures: they stay put.
void RequiredKey::Write(const char* name, const char* text) const {
    if (!key_) THROW_WIN32(ERROR_INVALID_HANDLE);
    if (!text) text = "";
    DWORD size = static_cast<DWORD>(strlen(text) + 1);
    THROW_IF_WIN32_ERROR(RegSetValueExA(key_.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), size));
}

void RequiredKey::Write(const char* name, DWORD number) const {
    if (!key_) THROW_WIN32(ERROR_INVALID_HANDLE);
    THROW_IF_WIN32_ERROR(
        RegSetValueExA(key_.get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number));
}

void RequiredKey::Remove(const char* name) const {
    if (!key_) THROW_WIN32(ERROR_INVALID_HANDLE);
    LONG error = RegDeleteValueA(key_.get(), name);
    if (error != ERROR_FILE_NOT_FOUND) THROW_IF_WIN32_ERROR(error);
}

RequiredKey::Value RequiredKey::Read(const char* name) const {
    Value value;
    if (!key_) return value;
    // Most values fit a small buffer and are read in one call; a longer one
    // is read again into a buffer of its size, until it fits.
    char small[256];
    aptr<char> large;
    char* data = small;
    DWORD capacity = sizeof small - 1, size = capacity, type = REG_NONE;
    LONG result;
    while ((result = RegQueryValueExA(key_.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size)) ==
           ERROR_MORE_DATA) {
        capacity = size;
        large = new char[capacity + 1];
        data = large.get();
    }
    if (result != ERROR_SUCCESS) return value;
    // A number of another size than four bytes is no number the system
    // would read either (RegGetValue refuses it): unreadable, not a zero.
    if (type == REG_DWORD && size != sizeof value.number) return value;
    value.type = type;
    if (type == REG_DWORD) {
        memcpy(&value.number, data, sizeof value.number);
    } else if (type == REG_SZ || type == REG_EXPAND_SZ) {
        // A text stored without its terminator ends where its data does.
        data[size <= capacity ? size : capacity] = 0;
        value.text = string(data);
    }
    return value;
}

bool RequiredKey::TextIn(const char* name, string& text, bool expandable) const {
    Value value = Read(name);
    if (value.type != REG_SZ && (!expandable || value.type != REG_EXPAND_SZ)) return false;
    text = value.text;
    return true;
}

bool RequiredKey::NumberIn(const char* name, DWORD& number) const {
    Value value = Read(name);
    if (value.type != REG_DWORD) return false;
    number = value.number;
    return true;
}

string RequiredKey::Text(const char* name) const {
    Value value = Read(name);
    if (value.type == REG_DWORD) {
        char digits[16];
        return string(_ultoa(value.number, digits, 10));
    }
    if (value.type != REG_SZ && value.type != REG_EXPAND_SZ) return string("");
    return value.text;
}

DWORD RequiredKey::Number(const char* name) const {
    Value value = Read(name);
    if (value.type == REG_SZ || value.type == REG_EXPAND_SZ) return strtoul(value.text, nullptr, 10);
    return value.number;
}
