// aRvik.IniRead: the value of IniKey in the section IniSection of the INI
// file FileName into Value, Result "found"; a key, section or file that is
// not there is no failure: Value and Result empty.
#include "Commands/Commands.h"

#include <TASession.h>
#include <fwbase/Co.h>

#include "Commands/CommandArguments.h"
#include "Commands/FileArgument.h"
#include "Commands/IniArguments.h"
#include "Files/IniFile.h"
#include "Files/IniText.h"

using TAXDK::Tallivant::TASession;

void IniRead(TASession& values) {
    CommandArguments arguments(values);
    FileArgument given = TakeIniFile(arguments, "прочитать файл");
    const FileName& name = given.name;
    basic_text<wchar_t> section = TakeIniSection(arguments);
    basic_text<wchar_t> key = TakeIniKey(arguments, true);
    Buffer<char> bytes;
    basic_text<wchar_t> value;
    bool found = false;
    if (ReadIniFile(name, bytes)) {
        IniText file(bytes.Data(), bytes.Size());
        found = file.Find(section, key, value);
    }
    CoString text(found ? value.c_str() : L"");
    values.SetWideString(kIniValue, text);
    if (found) values.SetString("aRvik.Result", "found");
    else values.Clear("aRvik.Result");
    WriteBack(arguments, given);
    arguments.Done();
}
