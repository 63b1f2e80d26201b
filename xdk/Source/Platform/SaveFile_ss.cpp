#include <SaveFile.h>

#include <shlobj.h>

#include <FixedPositions.h>
#include <ShownText.h>
#include <exceptions.h>
#include <fwbase/Path.h>
#include <owned.h>

namespace TAXDK {
namespace Standard {

string ResolveDataPath(const char* path) {
    if (IsAbsolutePath(path)) return string(path);
    string base = MakePathSpec(GetSpecialFolderPath(nullptr, CSIDL_APPDATA)) + "Kelmir\\Tallivant";
    if (!NotEmpty(path)) return base;
    return MakePathSpec(base) + path;
}

KernelHandle CreateFileInFolder(const char* fileName, DWORD access, DWORD disposition, DWORD flags) {
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    KernelHandle handle(CreateFileA(fileName, access, share, nullptr, disposition, flags, nullptr));
    if (handle || GetLastError() != ERROR_PATH_NOT_FOUND) return handle;
    CreatePath(GetParentPath(fileName), nullptr);
    return KernelHandle(CreateFileA(fileName, access, share, nullptr, disposition, flags, nullptr));
}

template <class C>
static bool Save(const char* fileName, const C* text) {
    KernelHandle handle(CreateFileInFolder(fileName, GENERIC_WRITE, CREATE_ALWAYS,
                                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN));
    // The port takes the handle, also a failed one, before the check: it
    // keeps the open's error for it. Should the port not stand, the owner
    // here closes the handle.
    FilePort file(handle.get(), fileName);
    handle.Detach();
    CheckFileHandle(file.Handle(), fileName, FixedAt::kSaveFileOpen);
    // Only a file on a disk: a device (a serial port, a pipe) could hold
    // the write for ever.
    if (GetFileType(file.Handle()) != FILE_TYPE_DISK)
        throw FileException("Не удалось записать файл (это устройство): ", ShownText(fileName));
    WriteFileText(file, text);
    return true;
}

bool SaveFile(const char* fileName, const char* text) { return Save(fileName, text); }

bool SaveFile(const char* fileName, const wchar_t* text) { return Save(fileName, text); }

}  // namespace Standard
}  // namespace TAXDK
