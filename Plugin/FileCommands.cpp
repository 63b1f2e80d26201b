// aRvik.FileWrite and aRvik.FileRead.
#include "SessionExtender.h"

#include <SaveFile.h>
#include <TASession.h>
#include <exceptions.h>
#include <fwbase/Path.h>

#include "Arguments.h"
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

void Plugin::SessionExtender::FileWrite(IUnknown* session) {
    TASession values(session);
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
    } else {
        Buffer<char> bytes;
        size_t markSize = 0;
        if (encoding == TextEncoding::Ansi) {
            string text = values.GetString("aRvik.FileText");
            bytes.Append(text.c_str(), text.length());
        } else {
            basic_text<wchar_t> text = values.GetWideString("aRvik.FileText");
            Encode(text.c_str(), text.length(), encoding, bytes, markSize);
        }
        WriteFileBytes(name, bytes.Data(), bytes.Size(), markSize, append);
    }
    values.Clear("aRvik.FileText");
    ClearGiven(values, "aRvik.FileMode", mode);
    ClearGiven(values, "aRvik.FileEncoding", encodingName);
}

void Plugin::SessionExtender::FileRead(IUnknown* session) {
    TASession values(session);
    string encodingName = values.GetString("aRvik.FileEncoding");
    TextEncoding fallback = ParseEncoding("aRvik.FileEncoding", encodingName);
    string name = ResolveFileName(values);
    CoString text;
    ReadFileText(name, fallback, text);
    values.SetWideString("aRvik.FileText", text);
    ClearGiven(values, "aRvik.FileEncoding", encodingName);
}
