// aRvik.FileWrite: FileText into the file FileName, replacing
// it or appended (FileMode), in FileEncoding.
#include "Commands/Commands.h"

#include <wchar.h>

#include <ShownText.h>
#include <TASession.h>
#include <TextCodec.h>
#include <exceptions.h>

#include "Commands/CommandArguments.h"
#include "Commands/FileArgument.h"
#include "Files/FileEncoding.h"
#include "Files/FileName.h"
#include "Files/FileText.h"

using TAXDK::Standard::ShownText;
using TAXDK::Tallivant::TASession;

// Arguments that the checks name.
static const char kMode[] = "aRvik.FileMode";
static const char kEncoding[] = "aRvik.FileEncoding";

// The encoding an append writes in: a file's mark decides when no encoding
// is asked for; one asked for must be the mark's, or the file would hold
// two encodings and read back garbled. Without a mark, the one asked for.
static TextEncoding AppendEncoding(TextEncoding marked, TextEncoding asked, const string& askedName,
                                   const string& fileName) {
    if (marked == TextEncoding::Ansi || marked == asked) return asked;
    if (asked == TextEncoding::Ansi) return marked;
    if (marked == TextEncoding::Utf8Bom && asked == TextEncoding::Utf8) return asked;
    throw FileException(string("Не удалось дописать файл (в нём ") + EncodingName(marked) + ", а " + kEncoding +
                            "=" + askedName + "): ",
                        fileName);
}

static void Append(const wchar_t* text, const FileName& name, TextEncoding asked, const string& askedName) {
    TextFileWriter file(name, true);
    string shown = name.Shown();
    // Other appends wait from here to the last byte written, so that only
    // the first into an empty file writes a mark.
    AppendLock lock(file.Handle(), shown);
    ULONGLONG size = file.Size();
    bool holds = size > 0;
    TextEncoding marked = holds ? file.Mark() : TextEncoding::Ansi;
    TextEncoding encoding = holds ? AppendEncoding(marked, asked, askedName, shown) : asked;
    // After an odd count of bytes, a UTF-16 file's text would go on a byte off.
    if (size % 2 && (marked == TextEncoding::Utf16 || marked == TextEncoding::Utf16BigEndian))
        throw FileException(string("Не удалось дописать файл (в нём ") + EncodingName(marked) +
                                " с нечётным числом байт): ",
                            shown);
    Buffer<char> bytes;
    size_t markSize = 0;
    if (encoding == TextEncoding::Ansi) {
        // Narrowed as every narrow session text is.
        string narrow = string::Adopt(TAXDK::Standard::AnsiCopy(text));
        bytes.Append(narrow.c_str(), narrow.length());
    } else {
        Encode(text, wcslen(text), encoding, bytes, markSize);
    }
    // A second mark inside the text would read as a character.
    size_t skip = holds ? markSize : 0;
    file.Write(bytes.Data() + skip, bytes.Size() - skip);
}

void FileWrite(TASession& values) {
    CommandArguments arguments(values);
    FileName name = TakeFileName(arguments, "aRvik.FileName", "записать файл");
    // Without a name the open's failure (path not found) is the one to
    // report, whatever mode and encoding ask for: they are not read.
    string mode, encodingName;
    if (!name.Empty()) {
        mode = arguments.Text(kMode, CommandArguments::WhenGiven);
        encodingName = arguments.Text(kEncoding, CommandArguments::WhenGiven);
    }
    bool append = false;
    if (!mode.empty()) {
        keystring word(mode);
        append = word == "append";
        if (!append && word != "replace")
            throw KLAppException(string("Неизвестный режим записи: ") + kMode + "=" + ShownText(mode) +
                                 " (допустимо: append, replace)");
    }
    TextEncoding encoding = ParseEncoding(kEncoding, encodingName);
    // The host's own text, read once without a copy: nothing below changes it.
    const wchar_t* text = arguments.WideView("aRvik.FileText");
    if (!append && encoding == TextEncoding::Ansi) {
        // Narrowed while written: a long text needs no copy of its own. An
        // empty name reaches the open too, which reports the path as not found.
        TextFileWriter(name, false).WriteText(text);
    } else if (!append) {
        Buffer<char> bytes;
        size_t markSize = 0;
        Encode(text, wcslen(text), encoding, bytes, markSize);
        TextFileWriter(name, false).Write(bytes.Data(), bytes.Size());
    } else {
        Append(text, name, encoding, encodingName);
    }
    arguments.Done();
}
