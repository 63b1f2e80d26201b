#include <SaveFile.h>

#include <FixedPositions.h>
#include <TextCodec.h>
#include <exceptions.h>

namespace TAXDK {
namespace Standard {

void WriteFileText(FilePort& file, const char* text) {
    file.SetPosition(0);
    if (text) file.Write(text, Length(text));
    // A shorter text than the file held leaves no tail of the old content.
    CheckSystemCall(SetEndOfFile(file.Handle()), FixedAt::kSaveFileEnd);
}

void WriteFileText(FilePort& file, const wchar_t* text) {
    file.SetPosition(0);
    NarrowPieces pieces(text);
    const char* bytes = nullptr;
    size_t count = 0;
    while (pieces.Next(bytes, count))
        if (count) file.Write(bytes, count);
    CheckSystemCall(SetEndOfFile(file.Handle()), FixedAt::kSaveFileEnd);
}

}  // namespace Standard
}  // namespace TAXDK
