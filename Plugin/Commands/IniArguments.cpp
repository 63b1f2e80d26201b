#include "Commands/IniArguments.h"

#include <wchar.h>

#include <ShownText.h>
#include <exceptions.h>

#include "Files/IniText.h"

using TAXDK::Standard::ShownText;

const char kIniSection[] = "aRvik.IniSection";
const char kIniKey[] = "aRvik.IniKey";
const char kIniValue[] = "aRvik.Value";

FileArgument TakeIniFile(CommandArguments& arguments, const char* action) {
    FileArgument file = CheckFileArgument(arguments, "aRvik.FileName", action);
    if (file.name.Empty()) throw KLAppException("Не указан файл: aRvik.FileName=");
    return file;
}

static basic_text<wchar_t> Trimmed(const wchar_t* text) {
    size_t from = 0, to = wcslen(text);
    while (from < to && (text[from] == L' ' || text[from] == L'\t')) ++from;
    while (to > from && (text[to - 1] == L' ' || text[to - 1] == L'\t')) --to;
    return basic_text<wchar_t>(text + from, to - from);
}

static bool HoldsLineEnd(const wchar_t* text) { return wcspbrk(text, L"\r\n") != nullptr; }

basic_text<wchar_t> TakeIniSection(CommandArguments& arguments) {
    basic_text<wchar_t> given = arguments.WideText(kIniSection, CommandArguments::Stays);
    basic_text<wchar_t> section = Trimmed(given);
    if (section.empty()) throw KLAppException(string("Не указан раздел INI: ") + kIniSection + "=" + ShownText(given.c_str()));
    if (wcspbrk(section, L"]=") || HoldsLineEnd(section))
        throw KLAppException(string("Недопустимое имя раздела INI: ") + kIniSection + "=" + ShownText(given.c_str()) +
                             " (недопустимы ], = и перевод строки)");
    return section;
}

basic_text<wchar_t> TakeIniKey(CommandArguments& arguments, bool needed) {
    basic_text<wchar_t> given = arguments.WideText(kIniKey, CommandArguments::Stays);
    basic_text<wchar_t> key = Trimmed(given);
    if (key.empty() && needed) throw KLAppException(string("Не указан ключ INI: ") + kIniKey + "=" + ShownText(given.c_str()));
    if (!key.empty() && (wcspbrk(key, L"]=") || HoldsLineEnd(key) || wcschr(L";#[", key[0])))
        throw KLAppException(string("Недопустимое имя ключа INI: ") + kIniKey + "=" + ShownText(given.c_str()) +
                             " (недопустимы ], =, перевод строки и ;, #, [ в начале)");
    return key;
}

void CheckIniValue(const wchar_t* value) {
    if (HoldsLineEnd(value))
        throw KLAppException(string("Недопустимое значение INI: ") + kIniValue + "=" + ShownText(value) +
                             " (недопустим перевод строки)");
}

void CheckIniTakes(IniText& file, const char* property, const wchar_t* text) {
    if (!file.Takes(text))
        throw KLAppException(string("Кодировка файла INI (ANSI) не передаёт текст: ") + property + "=" + ShownText(text));
}
