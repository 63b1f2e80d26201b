#include <SaveFile.h>

#include <FixedPositions.h>
#include <TextCodec.h>
#include <exceptions.h>
#include <fwbase/Format.h>

namespace TAXDK {
namespace Standard {

ResourceException PortFailure(const FilePortError& failure) {
    const char* what = failure.What() == FilePortError::Seek ? "Не удалось перейти в файле" : "Не удалось записать файл";
    return ResourceException(FormatBuffer(256, "%s (ошибка %lu): ", what, failure.Error()), failure.Name());
}

void WriteFileText(FilePort& file, const char* text) {
    try {
        file.SetPosition(0);
        if (text) file.Write(text, Length(text));
    } catch (const FilePortError& failure) {
        throw PortFailure(failure);
    }
    // A shorter text than the file held leaves no tail of the old content.
    CheckSystemCall(SetEndOfFile(file.Handle()), FixedAt::kSaveFileEnd);
}

void WriteFileText(FilePort& file, const wchar_t* text) {
    try {
        file.SetPosition(0);
        NarrowPieces pieces(text);
        const char* bytes = nullptr;
        size_t count = 0;
        while (pieces.Next(bytes, count))
            if (count) file.Write(bytes, count);
    } catch (const FilePortError& failure) {
        throw PortFailure(failure);
    }
    CheckSystemCall(SetEndOfFile(file.Handle()), FixedAt::kSaveFileEnd);
}

}  // namespace Standard
}  // namespace TAXDK
