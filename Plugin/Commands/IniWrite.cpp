// aRvik.IniWrite: Value as IniKey in the section IniSection of the INI
// file FileName, which is made, with the section and key, when missing.
#include "Commands/Commands.h"

#include <string.h>

#include <TASession.h>

#include "Commands/CommandArguments.h"
#include "Commands/FileArgument.h"
#include "Commands/IniArguments.h"
#include "Files/IniFile.h"
#include "Files/IniText.h"

using TAXDK::Tallivant::TASession;

void IniWrite(TASession& values) {
    CommandArguments arguments(values);
    FileArgument given = TakeIniFile(arguments, "записать файл");
    const FileName& name = given.name;
    basic_text<wchar_t> section = TakeIniSection(arguments);
    basic_text<wchar_t> key = TakeIniKey(arguments, true);
    basic_text<wchar_t> value = arguments.WideText(kIniValue);
    const wchar_t* valueText = value.c_str() ? value.c_str() : L"";
    CheckIniValue(valueText);
    IniChange change(name, true);
    IniText file(change.Content().Data(), change.Content().Size());
    CheckIniTakes(file, kIniSection, section);
    CheckIniTakes(file, kIniKey, key);
    CheckIniTakes(file, kIniValue, valueText);
    file.Set(section, key, valueText);
    Buffer<char> bytes;
    file.Bytes(bytes);
    // A value written as it stands changes nothing.
    const Buffer<char>& before = change.Content();
    if (bytes.Size() != before.Size() || memcmp(bytes.Data(), before.Data(), bytes.Size()) != 0)
        change.Replace(bytes.Data(), bytes.Size());
    WriteBack(arguments, given);
    arguments.Done();
}
