// Saving a text into a named file, and the product's data folder.
//
// SaveFile creates the file's folder with its parents, creates or empties
// the file (every sharing mode granted to others) and writes exactly the
// bytes of text: no terminator, no byte-order mark, no conversion. A folder
// that is missing and cannot be made, or a file that may not be written,
// throws FileException naming the file; other failures throw WindowsError.
// What opens as no file on a disk (a device) is closed unwritten:
// FileException "Не удалось записать файл (это устройство): " and the name
// as ShownText shows it.
#pragma once

#include <fwbase/FilePort.h>
#include <owned.h>
#include <str.h>

namespace TAXDK {
namespace Standard {

// An absolute path unchanged; otherwise the path below the user's
// application-data folder in "Kelmir\Tallivant" (the folder itself, without
// a closing backslash, for the empty path).
string ResolveDataPath(const char* path);

// CreateFileA of fileName with every sharing mode granted to others. When
// the file's folder is missing (ERROR_PATH_NOT_FOUND), the folder is made
// with its parents and the open tried once more; the making's own result
// is not examined. The usual case, a folder that is there, costs no look
// at it. Gives the handle's owner: empty when the open failed, the last
// error then as CreateFileA left it.
KernelHandle CreateFileInFolder(const char* fileName, DWORD access, DWORD disposition, DWORD flags);

// True once the file holds text.
bool SaveFile(const char* fileName, const char* text);
// The same for wide text, which is written as newstr narrows it, piece by
// piece: a long text needs no narrow copy.
bool SaveFile(const char* fileName, const wchar_t* text);

// A port's failure as the user reads it: ResourceException "Не удалось
// записать файл (ошибка N): " or "Не удалось перейти в файле (ошибка N): "
// and the file's name.
ResourceException PortFailure(const FilePortError& failure);

// Replaces the whole content of file by text (null: empties it). A failed
// position or write throws PortFailure's text.
void WriteFileText(FilePort& file, const char* text);
void WriteFileText(FilePort& file, const wchar_t* text);

}  // namespace Standard
}  // namespace TAXDK
