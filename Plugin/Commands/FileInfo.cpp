// aRvik.FileInfo: what FileName names, a file, a folder or nothing;
// a file's size and last write time.
#include "Commands/Commands.h"

#include <TASession.h>
#include <exceptions.h>
#include <owned.h>

#include "Commands/CommandArguments.h"
#include "Commands/FileArgument.h"
#include "Files/FileFailures.h"
#include "Files/FileName.h"
#include "Files/FileTime.h"

using TAXDK::Tallivant::TASession;

static const char kFileName[] = "aRvik.FileName";
static const char kResult[] = "aRvik.Result";
static const char kFileSize[] = "aRvik.FileSize";
static const char kFileTime[] = "aRvik.FileTime";

// The data of name; false when nothing is there. A file another program
// holds without sharing even its attributes (a paging file) is looked up
// in its folder instead.
static bool Look(const FileName& name, WIN32_FILE_ATTRIBUTE_DATA& data) {
    if (name.TooLong()) throw FileFailure("узнать сведения о файле", ERROR_FILENAME_EXCED_RANGE, name);
    const wchar_t* system = name.System();
    if (GetFileAttributesExW(system, GetFileExInfoStandard, &data)) return true;
    DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return false;
    if (error == ERROR_SHARING_VIOLATION) {
        WIN32_FIND_DATAW found;
        FindHandle find(FindFirstFileExW(system, FindExInfoBasic, &found, FindExSearchNameMatch, nullptr, 0));
        if (find) {
            data.dwFileAttributes = found.dwFileAttributes;
            data.ftLastWriteTime = found.ftLastWriteTime;
            data.nFileSizeHigh = found.nFileSizeHigh;
            data.nFileSizeLow = found.nFileSizeLow;
            return true;
        }
    }
    throw FileFailure("узнать сведения о файле", error, name);
}

void FileInfo(TASession& values) {
    CommandArguments arguments(values);
    FileName name = TakeNeededFileName(arguments, kFileName, "узнать сведения о файле");
    WIN32_FILE_ATTRIBUTE_DATA data;
    bool there = Look(name, data);
    bool folder = there && (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
    if (there && !folder) {
        values.SetString(kResult, "file");
        values.SetUInt64(kFileSize, (ULONGLONG(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
        values.SetString(kFileTime, LocalTimeText(data.ftLastWriteTime));
    } else {
        if (folder) values.SetString(kResult, "folder");
        else values.Clear(kResult);
        values.Clear(kFileSize);
        values.Clear(kFileTime);
    }
    arguments.Done();
}
