// The names the file commands take, by aRvik.FileWrite's rules, in UTF-16
// so that any name the file system holds works, Cyrillic or not, and
// names past MAX_PATH too.
#pragma once

#include <str.h>

#include "Commands/CommandArguments.h"

// A name a file command takes, checked and not yet written back: its
// property, the value given there (the host's own text, valid until the
// property changes) and the full name made of it.
struct TakenFileName {
    const char* property;
    const wchar_t* given;
    basic_text<wchar_t> full;
};

// The name given in property as the file system will store it: %VAR%
// expanded, a relative name below the data folder, "." and ".." resolved,
// trailing dots and blanks of the last part dropped. A name of a device or
// a stream (RefusedNameReason) throws NameRefusal with action ("прочитать
// файл"), before anything is written back. The empty name stays empty.
// Taken as Stays; nothing written back yet.
TakenFileName CheckFileName(CommandArguments& arguments, const char* property, const char* action);
// Writes the full name back to its property, unless it is the name given.
void WriteBack(CommandArguments& arguments, const TakenFileName& name);
// CheckFileName and WriteBack: the full name.
basic_text<wchar_t> TakeFileName(CommandArguments& arguments, const char* property, const char* action);
// The same for a name the command cannot do without: the empty one throws
// KLAppException "Не указан файл: " and the property with "=".
basic_text<wchar_t> TakeNeededFileName(CommandArguments& arguments, const char* property, const char* action);

// The given name with %VAR% expanded and, when relative, below the data
// folder: absolute, not yet resolved.
basic_text<wchar_t> AbsoluteFileName(const wchar_t* given);
// GetFullPathNameW's form of path; the path unchanged when it cannot say.
basic_text<wchar_t> FullFileName(const wchar_t* path);

// The form a full name is handed to the system in: the "\\?\" form for a
// name too long for the plain one, the name itself otherwise.
basic_text<wchar_t> SystemName(const wchar_t* full);

// name in the ANSI code page, for the texts of failures.
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
