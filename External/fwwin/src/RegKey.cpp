#include <fwwin/RegKey.h>

#include <stdlib.h>
#include <string.h>

RegKey::RegKey(HKEY parent, const char* path, bool create, REGSAM access)
    : key(nullptr), owned_(true), openError_(0) {
    LONG r = create ? RegCreateKeyExA(parent, path, 0, nullptr, 0, access, nullptr, &key, nullptr)
                    : RegOpenKeyExA(parent, path, 0, access, &key);
    if (r != ERROR_SUCCESS) {
        key = nullptr;
        openError_ = r;
        SetLastError(static_cast<DWORD>(r));
    }
}

bool RegKey::Value::Refuse() const {
    // A borrowed null handle never had an open of its own.
    SetLastError(openError_ ? static_cast<DWORD>(openError_) : ERROR_INVALID_HANDLE);
    return false;
}

void RegKey::Close() {
    if (key && owned_) RegCloseKey(key);
    key = nullptr;
}

bool RegKey::Value::Valid() const {
    return key_ && RegQueryValueExA(key_, name_, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

string RegKey::Value::Text() const {
    if (!key_) return string("");
    // Most values fit a small buffer and are read in one call; longer ones
    // are measured first.
    char small[256];
    DWORD smallType = REG_NONE, smallSize = sizeof small - 1;
    LONG first = RegQueryValueExA(key_, name_, nullptr, &smallType, reinterpret_cast<BYTE*>(small), &smallSize);
    if (first == ERROR_SUCCESS) {
        if (smallType == REG_DWORD) {
            char digits[16];
            return string(_ultoa(Number(), digits, 10));
        }
        if (smallType != REG_SZ && smallType != REG_EXPAND_SZ) return string("");
        small[smallSize] = 0;
        return string(small);
    }
    if (first != ERROR_MORE_DATA) return string("");
    for (;;) {
        DWORD type = REG_NONE, size = 0;
        if (RegQueryValueExA(key_, name_, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return string("");
        if (type == REG_DWORD) {
            char digits[16];
            return string(_ultoa(Number(), digits, 10));
        }
        if (type != REG_SZ && type != REG_EXPAND_SZ) return string("");
        // One more for a terminator the stored data may lack.
        char* buf = new char[size + 1];
        DWORD got = size;
        LONG r = RegQueryValueExA(key_, name_, nullptr, &type, reinterpret_cast<BYTE*>(buf), &got);
        if (r == ERROR_MORE_DATA) {  // grew in between: ask again
            delete[] buf;
            continue;
        }
        if (r != ERROR_SUCCESS) got = 0;
        buf[got < size + 1 ? got : size] = 0;
        return string::Adopt(buf);
    }
}

DWORD RegKey::Value::Number() const {
    if (!key_) return 0;
    DWORD type = REG_NONE, value = 0, size = sizeof value;
    LONG r = RegQueryValueExA(key_, name_, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    if (r == ERROR_SUCCESS && type == REG_DWORD && size == sizeof value) return value;
    if ((r == ERROR_SUCCESS || r == ERROR_MORE_DATA) && (type == REG_SZ || type == REG_EXPAND_SZ))
        return strtoul(Text(), nullptr, 10);
    return 0;
}

RegKey::Value& RegKey::Value::operator=(const char* text) {
    if (!key_) {
        Refuse();
        return *this;
    }
    if (!text) text = "";
    DWORD size = static_cast<DWORD>(strlen(text) + 1);
    LONG r = RegSetValueExA(key_, name_, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), size);
    if (r != ERROR_SUCCESS) SetLastError(static_cast<DWORD>(r));
    return *this;
}

RegKey::Value& RegKey::Value::operator=(DWORD number) {
    if (!key_) {
        Refuse();
        return *this;
    }
    LONG r = RegSetValueExA(key_, name_, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
    if (r != ERROR_SUCCESS) SetLastError(static_cast<DWORD>(r));
    return *this;
}

bool RegKey::Value::Delete() {
    if (!key_) return Refuse();
    LONG r = RegDeleteValueA(key_, name_);
    if (r == ERROR_SUCCESS || r == ERROR_FILE_NOT_FOUND) return true;
    SetLastError(static_cast<DWORD>(r));
    return false;
}
