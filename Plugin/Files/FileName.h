// FileName: the name of a file or folder that a file command works on, as
// the file system will store it, in UTF-16, so that any name the file
// system holds works, Cyrillic or not, and names past MAX_PATH too. Every
// file command resolves the name a script gave the same way (Resolved);
// the calls take its System form, the failure texts its Shown one.
#pragma once

#include <str.h>

class FileName {
public:
    // The empty name (no memory of its own).
    FileName() {}
    // A name taken as it stands, already full (or a device's, for the
    // checks that refuse it).
    explicit FileName(const wchar_t* full) : full_(full ? full : L"") { MakeSystem(); }

    // given as the file system will store it: %VAR% expanded, a relative
    // name below the data folder, "." and ".." resolved, trailing dots and
    // blanks of the last part dropped. The empty text stays empty.
    static FileName Resolved(const wchar_t* given);
    // Resolved, and refused when it names a device or a stream
    // (RefusedNameReason): NameRefusal with action ("прочитать файл"),
    // property and given as ShownText shows it.
    static FileName Checked(const wchar_t* given, const char* property, const char* action);

    bool Empty() const { return full_.empty(); }
    // The full name, as written back to the script.
    const wchar_t* Full() const { return full_.c_str() ? full_.c_str() : L""; }
    operator const wchar_t*() const { return Full(); }
    // The form the system calls take: "\\?\" (or "\\?\UNC\") before a name
    // too long for the plain one, the name itself otherwise; valid while
    // the name lives.
    const wchar_t* System() const { return system_.c_str() ? system_.c_str() : Full(); }
    // The name in the failure texts (AnsiName).
    string Shown() const;
    // Whether a part of the name is longer than any file system takes (255
    // characters). The system refuses such a name as too long
    // (ERROR_FILENAME_EXCED_RANGE) in its plain form, but not always in the
    // "\\?\" one: those who open files refuse it themselves, alike.
    bool PartTooLong() const;
    // Whether the name, in its System form, is longer than any system call
    // takes (32,767 characters): such a name is not handed to the system,
    // which could take a part of it for the whole; it fails as too long
    // (ERROR_FILENAME_EXCED_RANGE).
    bool TooLong() const;

private:
    // Sets system_ for a long name; a name in its plain form needs none.
    void MakeSystem();

    basic_text<wchar_t> full_, system_;
};

// The given name with %VAR% expanded and, when relative, below the data
// folder: absolute, not yet resolved.
basic_text<wchar_t> AbsoluteFileName(const wchar_t* given);

// SystemName of a full name given as text (FileName::System).
basic_text<wchar_t> SystemName(const wchar_t* full);

// name in the ANSI code page, for the texts of failures: as ShownText shows
// it (a character the page lacks as "?" or a look-alike, control
// characters as "?").
string AnsiName(const wchar_t* name);

// The folder part of a full name, without its closing backslash ("C:\a"
// for "C:\a\b.txt"); the root keeps it ("C:\").
basic_text<wchar_t> ParentFolder(const wchar_t* full);

// Makes the folder of the full name file with its parents; true when it is
// there afterwards.
bool MakeParentFolders(const wchar_t* file);

// Whether the full name inner is folder itself or lies below it, case
// ignored as the file system ignores it.
bool SameOrBelow(const wchar_t* inner, const wchar_t* folder);
