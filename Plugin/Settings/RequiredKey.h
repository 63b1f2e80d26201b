// RequiredKey: the plug-in's one way to a registry key and its values.
//
// Made from a root and a path, it holds the key open or throws the
// system's reason naming the key in full: ResourceException
// "Не удалось открыть раздел реестра (ошибка N): HKEY_CURRENT_USER\...".
// With create, a key that is missing is made; one that exists is only
// opened. Optional gives a key that counts as absent when it cannot be
// opened, for whatever reason: it is then empty, every value reads as
// missing, and a change throws WindowsError ERROR_INVALID_HANDLE. The key
// is closed when the object goes; moving hands it on and leaves the source
// empty.
//
// A value is read with its type in one call (Read). The typed reads take a
// value only in the types they name, so a value of another type is never
// read as 0 or the empty text: false, the caller's value untouched, as for
// a missing one. Text and Number read as the support library reads (a
// missing value as 0 or the empty text, the one type as the other). Writing
// and removing throw WindowsError when the system refuses: no change is
// lost unseen; removing a value that is missing is no failure.
#pragma once

#include <windows.h>

#include <owned.h>
#include <str.h>

class RequiredKey {
public:
    RequiredKey(HKEY root, const char* path, bool create, REGSAM access);
    RequiredKey() {}  // empty
    static RequiredKey Optional(HKEY root, const char* path, REGSAM access);
    RequiredKey(RequiredKey&&) noexcept = default;
    RequiredKey& operator=(RequiredKey&&) noexcept = default;

    HKEY Get() const { return key_.get(); }
    explicit operator bool() const { return static_cast<bool>(key_); }

    // One value as stored; "" names the key's unnamed value.
    struct Value {
        DWORD type = REG_NONE;  // REG_NONE: missing, or unreadable (a REG_DWORD not of 4 bytes)
        string text;            // REG_SZ and REG_EXPAND_SZ: up to the first terminator, unexpanded
        DWORD number = 0;       // REG_DWORD
    };
    Value Read(const char* name) const;
    DWORD Type(const char* name) const { return Read(name).type; }
    bool Has(const char* name) const;

    // REG_SZ, or REG_SZ and REG_EXPAND_SZ with expandable.
    bool TextIn(const char* name, string& text, bool expandable = false) const;
    // REG_DWORD.
    bool NumberIn(const char* name, DWORD& number) const;

    // REG_SZ and REG_EXPAND_SZ as they are, REG_DWORD as unsigned decimal
    // text; anything else, or a missing value, as the empty text.
    string Text(const char* name) const;
    // REG_DWORD as stored, a text as a decimal number (strtoul); anything
    // else, or a missing value, 0.
    DWORD Number(const char* name) const;

    // Text is stored as REG_SZ, a number as REG_DWORD.
    void Write(const char* name, const char* text) const;
    void Write(const char* name, DWORD number) const;
    void Remove(const char* name) const;

private:
    RegistryKey key_;
};
