// The file names the file commands take from their aRvik.* properties:
// read as Stays, resolved and checked by FileName's rules, and written
// back into the property as the full name once every check has passed.
#pragma once

#include "Commands/CommandArguments.h"
#include "Files/FileName.h"

// A name taken, not yet written back: its property, the value given there
// (the host's own text, valid until the property changes) and its name.
struct FileArgument {
    const char* property;
    const wchar_t* given;
    FileName name;
};

// The name given in property, checked (FileName::Checked with action);
// nothing written back yet. The empty name stays empty.
FileArgument CheckFileArgument(CommandArguments& arguments, const char* property, const char* action);
// Writes the full name back to its property, unless it is the name given.
void WriteBack(CommandArguments& arguments, const FileArgument& argument);
// CheckFileArgument and WriteBack: the name.
FileName TakeFileName(CommandArguments& arguments, const char* property, const char* action);
// The same for a name the command cannot do without: the empty one throws
// KLAppException "Не указан файл: " and the property with "=".
FileName TakeNeededFileName(CommandArguments& arguments, const char* property, const char* action);
