#include <SaveFile.h>

#include <TextCodec.h>
#include <exceptions.h>

namespace TAXDK {
namespace Standard {

void WriteFileText(FilePort& file, const char* text) {
    file.SetPosition(0);
    if (text) file.Write(text, Length(text));
    // A shorter text than the file held leaves no tail of the old content.
    // A fixed position: scripts and tests know the number.
    CheckSystemCall(SetEndOfFile(file.Handle()), "Platform/SaveFile_fs", 32);
}

void WriteFileText(FilePort& file, const wchar_t* text) {
    file.SetPosition(0);
    NarrowPieces pieces(text);
    const char* bytes = nullptr;
    size_t count = 0;
    while (pieces.Next(bytes, count))
        if (count) file.Write(bytes, count);
    CheckSystemCall(SetEndOfFile(file.Handle()), "Platform/SaveFile_fs", 32);  // fixed, as above
}

}  // namespace Standard
}  // namespace TAXDK
