// aRvik.FileDelete: deletes the file FileName names, or the empty
// folder.
#include "Commands/Commands.h"

#include <TASession.h>
#include <exceptions.h>

#include "Commands/CommandArguments.h"
#include "Commands/FileArgument.h"
#include "Files/FileFailures.h"
#include "Files/FileName.h"

using TAXDK::Tallivant::TASession;

static const char kFileName[] = "aRvik.FileName";

void FileDelete(TASession& values) {
    CommandArguments arguments(values);
    FileName name = TakeNeededFileName(arguments, kFileName, "удалить файл");
    if (name.TooLong()) throw FileFailure("удалить файл", ERROR_FILENAME_EXCED_RANGE, name);
    const wchar_t* system = name.System();
    DWORD attributes = GetFileAttributesW(system);
    if (attributes == INVALID_FILE_ATTRIBUTES) throw FileFailure("удалить файл", GetLastError(), name);
    // A read-only file stays, as the shell's del leaves it: the mark says
    // someone meant it to.
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        if (!RemoveDirectoryW(system)) throw FileFailure("удалить папку", GetLastError(), name);
    } else if (!DeleteFileW(system)) {
        throw FileFailure("удалить файл", GetLastError(), name);
    }
    arguments.Done();
}
