// RequiredKey: a registry key the plug-in cannot do without. Made from a
// root and a path, it holds the key open or throws the system's reason
// naming the key in full: ResourceException
// "Не удалось открыть раздел реестра (ошибка N): HKEY_CURRENT_USER\...".
// With create, a key that is missing is made; one that exists is only
// opened. The key is closed when the object goes.
//
// Values are read as the support library reads them (a missing one as 0
// or the empty text). Writing and removing go through the functions below:
// a refusal throws WindowsError instead of losing the change.
#pragma once

#include <windows.h>

#include <owned.h>
#include <str.h>

class RequiredKey {
public:
    RequiredKey(HKEY root, const char* path, bool create, REGSAM access);

    HKEY Get() const { return key_.get(); }

    // "" names the key's unnamed value.
    string Text(const char* name) const;
    DWORD Number(const char* name) const;
    bool Has(const char* name) const;
    void Write(const char* name, const char* text) const;
    void Write(const char* name, DWORD number) const;
    void Remove(const char* name) const;

private:
    RegistryKey key_;
};

// The values of an open key. Text is stored as REG_SZ, a number as
// REG_DWORD. A null key, or a change the system refuses, throws
// WindowsError; removing a value that is missing is no failure.
void WriteValue(HKEY key, const char* name, const char* text);
void WriteValue(HKEY key, const char* name, DWORD number);
void RemoveValue(HKEY key, const char* name);

// The value's type (REG_SZ, REG_DWORD, ...); REG_NONE when it is missing.
DWORD ValueType(HKEY key, const char* name);
