// aRvik.FileWrite and aRvik.FileRead.
#include "Commands.h"

#include <SaveFile.h>
#include <TASession.h>
#include <exceptions.h>
#include <fwbase/Path.h>

#include "Arguments.h"
#include "FileSystem.h"
#include "FileText.h"

using TAXDK::Tallivant::TASession;

// aRvik.FileName as the file system will store it: %VAR% expanded, a
// relative name below the data folder, "." and ".." resolved; written back.
// The empty name stays empty.
static string ResolveFileName(TASession& values) {
    string name = values.GetString("aRvik.FileName");
    if (!name.empty()) {
        if (!IsAbsolutePath(ExpEnv(name)))
            name = MakePathSpec(TAXDK::Standard::ResolveDataPath("")) + name.c_str();
        name = FullPath(ExpEnv(name));
        values.SetString("aRvik.FileName", name);
    }
    return name;
}

static const char* EncodingName(TextEncoding encoding) {
    switch (encoding) {
    case TextEncoding::Utf8:
        return "UTF-8";
    case TextEncoding::Utf8Bom:
        return "UTF-8 BOM";
    case TextEncoding::Utf16:
        return "UTF-16";
    case TextEncoding::Utf16BigEndian:
        return "UTF-16 BE";
    default:
        return "ANSI";
    }
}

// The encoding an append writes in: a file's mark decides when no encoding
// is asked for; one asked for must be the mark's, or the file would hold
// two encodings and read back garbled. Without a mark, the one asked for.
static TextEncoding AppendEncoding(TextEncoding marked, TextEncoding asked, const string& askedName,
                                   const string& fileName) {
    if (marked == TextEncoding::Ansi || marked == asked) return asked;
    if (asked == TextEncoding::Ansi) return marked;
    if (marked == TextEncoding::Utf8Bom && asked == TextEncoding::Utf8) return asked;
    throw FileException(string("Не удалось дописать файл (в нём ") + EncodingName(marked) +
                            ", а aRvik.FileEncoding=" + askedName + "): ",
                        fileName);
}

static void Append(TASession& values, const string& name, TextEncoding asked, const string& askedName) {
    TextFileWriter file(name, true);
    // Other appends wait from here to the last byte written, so that only
    // the first into an empty file writes a mark.
    AppendLock lock(file.Handle(), name);
    ULONGLONG size = file.Size();
    bool holds = size > 0;
    TextEncoding marked = holds ? file.Mark() : TextEncoding::Ansi;
    TextEncoding encoding = holds ? AppendEncoding(marked, asked, askedName, name) : asked;
    // After an odd count of bytes, a UTF-16 file's text would go on a byte off.
    if (size % 2 && (marked == TextEncoding::Utf16 || marked == TextEncoding::Utf16BigEndian))
        throw FileException(string("Не удалось дописать файл (в нём ") + EncodingName(marked) +
                                " с нечётным числом байт): ",
                            name);
    Buffer<char> bytes;
    size_t markSize = 0;
    if (encoding == TextEncoding::Ansi) {
        string text = values.GetString("aRvik.FileText");
        bytes.Append(text.c_str(), text.length());
    } else {
        basic_text<wchar_t> text = values.GetWideString("aRvik.FileText");
        Encode(text.c_str(), text.length(), encoding, bytes, markSize);
    }
    // A second mark inside the text would read as a character.
    size_t skip = holds ? markSize : 0;
    file.Write(bytes.Data() + skip, bytes.Size() - skip);
}

void FileWrite(TASession& values, CommandState& state) {
    string name = ResolveFileName(values);
    // Without a name the write fails as it always has, whatever mode and
    // encoding ask for.
    string mode, encodingName;
    if (!name.empty()) {
        mode = values.GetString("aRvik.FileMode");
        encodingName = values.GetString("aRvik.FileEncoding");
    }
    bool append = false;
    if (!mode.empty()) {
        keystring word(mode);
        append = word == "append";
        if (!append && word != "replace")
            throw KLAppException(string("Неизвестный режим записи: aRvik.FileMode=") + mode +
                                 " (допустимо: append, replace)");
    }
    TextEncoding encoding = ParseEncoding("aRvik.FileEncoding", encodingName);
    if (!append && encoding == TextEncoding::Ansi) {
        // Narrowed while written: a long text needs no copy of its own. An
        // empty name reaches SaveFile too, which reports the path as not found.
        TAXDK::Standard::SaveFile(name, values.GetWideText("aRvik.FileText"));
    } else if (!append) {
        Buffer<char> bytes;
        size_t markSize = 0;
        basic_text<wchar_t> text = values.GetWideString("aRvik.FileText");
        Encode(text.c_str(), text.length(), encoding, bytes, markSize);
        TextFileWriter(name, false).Write(bytes.Data(), bytes.Size());
    } else {
        Append(values, name, encoding, encodingName);
    }
    values.Clear("aRvik.FileText");
    ClearGiven(values, "aRvik.FileMode", mode);
    ClearGiven(values, "aRvik.FileEncoding", encodingName);
}

void FileRead(TASession& values, CommandState& state) {
    string encodingName = values.GetString("aRvik.FileEncoding");
    TextEncoding fallback = ParseEncoding("aRvik.FileEncoding", encodingName);
    string name = ResolveFileName(values);
    CoString text;
    ReadFileText(name, fallback, text, &state.readBlock);
    values.SetWideString("aRvik.FileText", text);
    // The host has its own copy: the memory serves the next read.
    state.readBlock.Give(text.Detach());
    ClearGiven(values, "aRvik.FileEncoding", encodingName);
}
