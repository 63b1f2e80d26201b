#include <SaveFile.h>

#include <exceptions.h>

namespace TAXDK {
namespace Standard {

void WriteFileText(FilePort& file, const char* text) {
    file.SetPosition(0);
    if (text) file.Write(text, Length(text));
    // A shorter text than the file held leaves no tail of the old content.
    CheckSystemCall(SetEndOfFile(file.Handle()), "Platform/SaveFile_fs", 32);
}

}  // namespace Standard
}  // namespace TAXDK
