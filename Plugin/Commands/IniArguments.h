// What aRvik.IniRead, IniWrite and IniDelete take besides the file: the
// section (IniSection) and key (IniKey) as Stays, so that a script reading
// one section sets only the key for each, and the checks of them and of a
// value. Blanks around a name are dropped, as in the file.
#pragma once

#include <str.h>

#include "Commands/CommandArguments.h"
#include "Commands/FileArgument.h"

class IniText;  // Files/IniText.h

// The file (FileName), checked as CheckFileArgument checks it for action;
// "Не указан файл: aRvik.FileName=" when empty. The command writes it back
// (WriteBack) once it has succeeded.
FileArgument TakeIniFile(CommandArguments& arguments, const char* action);
// The section: "Не указан раздел INI: aRvik.IniSection=" when empty;
// "Недопустимое имя раздела INI: aRvik.IniSection=TEXT (недопустимы ], = и
// перевод строки)".
basic_text<wchar_t> TakeIniSection(CommandArguments& arguments);
// The key; when needed, "Не указан ключ INI: aRvik.IniKey=" for the empty
// one. A key holding "]", "=" or a line end, or beginning with ";", "#" or
// "[": "Недопустимое имя ключа INI: aRvik.IniKey=TEXT (недопустимы ], =,
// перевод строки и ;, #, [ в начале)".
basic_text<wchar_t> TakeIniKey(CommandArguments& arguments, bool needed);
// A value with a line end: "Недопустимое значение INI: aRvik.Value=TEXT
// (недопустим перевод строки)".
void CheckIniValue(const wchar_t* value);
// Refuses what file cannot hold (IniText::Takes): "Кодировка файла INI
// (ANSI) не передаёт текст: " and the property with "=" and text.
void CheckIniTakes(IniText& file, const char* property, const wchar_t* text);

extern const char kIniSection[], kIniKey[], kIniValue[];
