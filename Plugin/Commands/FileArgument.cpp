#include "Commands/FileArgument.h"

#include <wchar.h>

#include <exceptions.h>
#include <fwbase/Co.h>

FileArgument CheckFileArgument(CommandArguments& arguments, const char* property, const char* action) {
    const wchar_t* given = arguments.WideView(property, CommandArguments::Stays);
    return FileArgument{property, given, FileName::Checked(given, property, action)};
}

void WriteBack(CommandArguments& arguments, const FileArgument& argument) {
    // A name given in full is not written again: given is still valid.
    if (argument.name.Empty() || wcscmp(argument.name.Full(), argument.given) == 0) return;
    CoString back(argument.name.Full());
    arguments.Session().SetWideString(argument.property, back);
}

FileName TakeFileName(CommandArguments& arguments, const char* property, const char* action) {
    FileArgument argument = CheckFileArgument(arguments, property, action);
    WriteBack(arguments, argument);
    return argument.name;
}

FileName TakeNeededFileName(CommandArguments& arguments, const char* property, const char* action) {
    FileName name = TakeFileName(arguments, property, action);
    if (name.Empty()) throw KLAppException(string("Не указан файл: ") + property + "=");
    return name;
}
