// A registry key and its values.
//
// RegKey(parent, path, create, access) opens path below parent, creating it
// when create is true. A key that cannot be opened leaves key null and
// throws nothing: callers test key (the system's reason is then the last
// error). The destructor closes the key.
// RegKey(HKEY) borrows a key that another RegKey holds open: destroying the
// borrower leaves the key open for its owner.
//
// A missing value reads as 0 or as the empty text. Writes and Delete report
// nothing beyond Delete's result: after a refusal, or through a key that
// did not open, the reason is the last error (the open's own, when it
// failed).
#pragma once

#include <windows.h>

#include <str.h>

class RegKey {
public:
    class Value {
    public:
        Value(HKEY key, const char* name, LONG openError = 0)
            : key_(key), name_(name ? name : ""), openError_(openError) {}

        // REG_SZ and REG_EXPAND_SZ as they are; REG_DWORD as unsigned decimal
        // text; anything else, or a missing value, as the empty text.
        string Text() const;
        // REG_DWORD as stored; text read as a decimal number (0 when it is
        // none); anything else, or a missing value, 0.
        DWORD Number() const;

        operator string() const { return Text(); }
        operator int() const { return static_cast<int>(Number()); }

        Value& operator=(const char* text);  // stored as REG_SZ
        Value& operator=(DWORD number);      // stored as REG_DWORD
        Value& operator=(int number) { return *this = static_cast<DWORD>(number); }

        // True when the value exists.
        bool Valid() const;
        // Removes the value; true when it is gone (also when it never existed).
        bool Delete();

    private:
        bool Refuse() const;  // false, with the reason the key is null

        HKEY key_;
        string name_;
        LONG openError_;  // why key_ is null, when its open failed
    };

    RegKey(HKEY parent, const char* path, bool create, REGSAM access);
    explicit RegKey(HKEY borrowed) : key(borrowed), owned_(false), openError_(0) {}
    ~RegKey() { Close(); }
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;

    // "" names the default value.
    Value operator[](const char* name) const { return Value(key, name, openError_); }
    void Close();

    HKEY key;  // null when the key could not be opened

private:
    bool owned_;
    LONG openError_;  // why key is null; 0 when it opened
};
