// aRvik.IniDelete: the key IniKey of the section IniSection of the INI file
// FileName, or, IniKey empty, the whole section. Result 1 when something
// was removed, 0 when nothing was there (a missing file is not made).
#include "Commands/Commands.h"

#include <TASession.h>

#include "Commands/CommandArguments.h"
#include "Commands/FileArgument.h"
#include "Commands/IniArguments.h"
#include "Files/IniFile.h"
#include "Files/IniText.h"

using TAXDK::Tallivant::TASession;

void IniDelete(TASession& values) {
    CommandArguments arguments(values);
    FileArgument given = TakeIniFile(arguments, "записать файл");
    const FileName& name = given.name;
    basic_text<wchar_t> section = TakeIniSection(arguments);
    basic_text<wchar_t> key = TakeIniKey(arguments, false);
    IniChange change(name, false);
    size_t removed = 0;
    if (change.Exists()) {
        IniText file(change.Content().Data(), change.Content().Size());
        removed = file.Remove(section, key.empty() ? L"" : key.c_str());
        if (removed) {
            Buffer<char> bytes;
            file.Bytes(bytes);
            change.Replace(bytes.Data(), bytes.Size());
        }
    }
    values.SetUnsigned("aRvik.Result", removed ? 1 : 0);
    WriteBack(arguments, given);
    arguments.Done();
}
