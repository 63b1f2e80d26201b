#include <SaveFile.h>

#include <shlobj.h>

#include <exceptions.h>
#include <fwbase/Path.h>

namespace TAXDK {
namespace Standard {

string ResolveDataPath(const char* path) {
    if (IsAbsolutePath(path)) return string(path);
    string base = MakePathSpec(GetSpecialFolderPath(nullptr, CSIDL_APPDATA)) + "Kelmir\\Tallivant";
    if (!NotEmpty(path)) return base;
    return MakePathSpec(base) + path;
}

template <class C>
static bool Save(const char* fileName, const C* text) {
    CreatePath(GetParentPath(fileName), nullptr);
    HANDLE handle = CreateFileA(fileName, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN,
                                nullptr);
    FilePort file(handle, fileName);
    // The port keeps the error of the open for this check.
    CheckFileHandle(handle, fileName, "Platform/SaveFile_ss", 33);
    WriteFileText(file, text);
    return true;
}

bool SaveFile(const char* fileName, const char* text) { return Save(fileName, text); }

bool SaveFile(const char* fileName, const wchar_t* text) { return Save(fileName, text); }

}  // namespace Standard
}  // namespace TAXDK
